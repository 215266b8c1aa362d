// The .mht save opened by a browser: Chromium must show the inline image of the page, which
// proves the page's cid: URL finds its related part. The picture is looked for pixel for pixel
// in a screenshot; a copy whose image part is renamed must not show it.

#include <gtest/gtest.h>

#include "MimeTestSupport.h"
#include "formats/ItemView.h"
#include "formats/text/HtmlPage.h"
#include "support/TestFiles.h"

namespace pellmark::test {
namespace {

constexpr const char* kChromium = "/usr/bin/chromium";

// Renders `page` headless in a fresh profile and says whether `picture` is on the screenshot.
bool chromiumShows(const std::filesystem::path& page, const std::filesystem::path& picture,
                   const TempDir& dir) {
    requireReader(Reader::Chromium);
    const auto profile = dir / ("profile-" + page.stem().string());
    const auto shot = dir / ("shot-" + page.stem().string() + ".png");
    std::filesystem::create_directory(profile);
    const std::string command =
        std::string("timeout 30 ") + kChromium +
        " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
        " --disable-background-networking --disable-component-update --disable-sync"
        " --hide-scrollbars --window-size=1000,800 --user-data-dir=" +
        shellQuote(profile.string()) + " --screenshot=" + shellQuote(shot.string()) + " " +
        shellQuote("file://" + page.string()) + " >/dev/null 2>&1";
    EXPECT_EQ(runCommand(command).status, 0) << command;
    EXPECT_TRUE(std::filesystem::exists(shot)) << "no screenshot from " << command;
    const auto found = runPythonTool(
        "png_find.py", shellQuote(shot.string()) + " " + shellQuote(picture.string()));
    return found.status == 0;
}

TEST(Mht, ChromiumShowsTheInlineImage) {
    PELLMARK_SAMPLE_OR_SKIP(pst, "pst/rubymsg__attachAndInline.pst");
    TempDir dir;
    auto item = firstItemOf(pst, "");
    const auto page = dir / "page.mht";
    item->saveAs(page.string(), store::SaveFormat::Mht);

    const formats::ItemView view(messageOf(*item));
    auto images = formats::inlineImages(view);
    std::erase_if(images, [](const formats::InlineImage& i) { return i.contentId.empty(); });
    ASSERT_EQ(images.size(), 1u);
    const auto bytes = formats::readAttachment(view, images[0].index);
    writeFile(dir / "picture.png", std::string(bytes.begin(), bytes.end()));

    EXPECT_TRUE(chromiumShows(page, dir / "picture.png", dir))
        << "the inline image is not on the rendered page";

    std::string broken = readFile(page);
    const size_t id = broken.find("Content-ID: <");
    ASSERT_NE(id, std::string::npos);
    broken.replace(id + 13, 1, "X");
    writeFile(dir / "broken.mht", broken);
    EXPECT_FALSE(chromiumShows(dir / "broken.mht", dir / "picture.png", dir))
        << "the check cannot fail";
}

}  // namespace
}  // namespace pellmark::test
