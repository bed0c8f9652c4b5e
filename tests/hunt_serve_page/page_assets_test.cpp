#include "hunt_serve/page_assets.h"

#include <gtest/gtest.h>

#include <string>

namespace qorvex::hunt_serve {
namespace {

struct AssetCase {
    const char* label;
    const char* path;
    const char* content_type;
    const char* starts_with;
};

TEST(PageAssets, ServesEachFileOfThePageWithItsType) {
    const AssetCase cases[] = {
        {"root is the page", "/", "text/html; charset=utf-8", "<!doctype html>"},
        {"page by name", "/index.html", "text/html; charset=utf-8", "<!doctype html>"},
        {"page script", "/app.js", "text/javascript; charset=utf-8", "// "},
        {"page style", "/style.css", "text/css; charset=utf-8", ""},
        {"chart library", "/uplot.js", "text/javascript; charset=utf-8", ""},
        {"chart style", "/uplot.css", "text/css; charset=utf-8", ""},
    };
    for (const AssetCase& row : cases) {
        SCOPED_TRACE(row.label);
        const auto asset = page_asset(row.path);
        ASSERT_TRUE(asset.has_value());
        EXPECT_EQ(asset->content_type, row.content_type);
        EXPECT_FALSE(asset->body.empty());
        EXPECT_EQ(asset->body.substr(0, std::string(row.starts_with).size()), row.starts_with);
    }
}

TEST(PageAssets, AnswersNothingForAPathThatIsNotThePages) {
    for (const char* path : {"", "/index", "/INDEX.HTML", "index.html", "/../index.html",
                             "/app.js/", "/app.js?x=1", "/package.json"}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(page_asset(path).has_value());
    }
}

TEST(PageAssets, TheChartLibraryIsTheMinifiedBuildWithNoOtherOrigin) {
    const auto library = page_asset("/uplot.js");
    ASSERT_TRUE(library.has_value());
    EXPECT_NE(library->body.find("uPlot"), std::string_view::npos);
    // The minified build is about 50 KB; a much larger one means the wrong file.
    EXPECT_LT(library->body.size(), 120'000U);
    const auto page = page_asset("/");
    ASSERT_TRUE(page.has_value());
    // Every file the page loads is its own server's: no scheme, no "//host".
    EXPECT_EQ(page->body.find("//"), std::string_view::npos);
}

}  // namespace
}  // namespace qorvex::hunt_serve
