#include "ecma_reference.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace qorvex::rx::testing {

namespace {

std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            std::array<char, 8> escaped{};
            std::snprintf(escaped.data(), escaped.size(), "\\u%04x", static_cast<unsigned>(byte));
            out += escaped.data();
        } else {
            out += c;  // UTF-8 passes through; JSON text is UTF-8
        }
    }
    return out + "\"";
}

std::string from_hex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return out;
}

std::string run_command(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        throw std::runtime_error("cannot run: " + command);
    }
    std::string output;
    std::array<char, 4096> buffer{};
    std::size_t read = 0;
    while ((read = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        output.append(buffer.data(), read);
    }
    const int status = pclose(pipe);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("failed: " + command + "\n" + output);
    }
    return output;
}

ReferenceResult parse_line(const std::string& line, std::size_t expected_index) {
    std::istringstream in(line);
    std::size_t index = 0;
    std::string verdict;
    in >> index >> verdict;
    if (!in || index != expected_index) {
        throw std::runtime_error("unexpected reference line: " + line);
    }
    ReferenceResult result;
    if (verdict == "error") {
        result.rejected = true;
        return result;
    }
    std::size_t count = 0;
    in >> result.group_count >> count;
    for (std::size_t m = 0; m < count; ++m) {
        std::vector<Span> spans;
        for (std::size_t g = 0; g <= result.group_count; ++g) {
            long long begin = 0;
            long long end = 0;
            in >> begin >> end;
            spans.push_back(
                begin < 0 ? Span{}
                          : Span{static_cast<std::size_t>(begin), static_cast<std::size_t>(end)});
        }
        result.matches.push_back(std::move(spans));
    }
    std::string bar;
    std::string hex;
    in >> bar >> hex;
    if (bar != "|") {
        throw std::runtime_error("unexpected reference line: " + line);
    }
    result.replaced = from_hex(hex);
    return result;
}

}  // namespace

std::optional<std::string> find_node() {
    try {
        const std::string path = run_command("command -v node 2>/dev/null");
        if (!path.empty()) {
            return std::string("node");
        }
    } catch (const std::runtime_error&) {
    }
    return std::nullopt;
}

std::vector<ReferenceResult> run_ecma_reference(const std::string& node,
                                                const std::vector<ReferenceCase>& cases) {
    const std::filesystem::path input = std::filesystem::temp_directory_path() /
                                        ("qorvex-ecma-" + std::to_string(getpid()) + ".json");
    {
        std::ofstream out(input, std::ios::binary);
        out << "{\"cases\": [\n";
        for (std::size_t i = 0; i < cases.size(); ++i) {
            out << (i == 0 ? "" : ",\n") << "{\"pattern\": " << json_string(cases[i].pattern)
                << ", \"subject\": " << json_string(cases[i].subject)
                << ", \"replacement\": " << json_string(cases[i].replacement) << "}";
        }
        out << "\n]}\n";
    }
    const std::string script =
        std::string(QORVEX_SOURCE_DIR) + "/tools/regex-reference/ecma_matches.js";
    std::string output;
    try {
        output = run_command(node + " '" + script + "' '" + input.string() + "' 2>&1");
    } catch (...) {
        std::filesystem::remove(input);
        throw;
    }
    std::filesystem::remove(input);

    std::vector<ReferenceResult> results;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        results.push_back(parse_line(line, results.size()));
    }
    if (results.size() != cases.size()) {
        throw std::runtime_error("the reference answered " + std::to_string(results.size()) +
                                 " of " + std::to_string(cases.size()) + " cases");
    }
    return results;
}

}  // namespace qorvex::rx::testing
