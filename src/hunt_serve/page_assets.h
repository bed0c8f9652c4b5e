#pragma once

#include <optional>
#include <string_view>

namespace qorvex::hunt_serve {

// One file of the live page, as the server sends it. The files are built into
// the program, so the page works with no network and no files beside it.
struct PageAsset {
    std::string_view content_type;
    std::string_view body;
};

// The page's file at a request path: "/" gives index.html; any path that is
// not one of the page's files gives nothing.
std::optional<PageAsset> page_asset(std::string_view path);

}  // namespace qorvex::hunt_serve
