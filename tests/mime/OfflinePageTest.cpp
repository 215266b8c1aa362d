// A message whose HTML carries a <base> pointing to the web and names its images by content
// location and by file name, as Outlook 2000's welcome mail does: the .eml relates the images
// to the page, the .mht shows them, and the .html page, written with its attachments beside it
// as the conversion run writes it, shows every image and links to the files written, offline,
// in Chromium.

#include <gtest/gtest.h>

#include "MimeTestSupport.h"
#include "convert/AttachmentLinks.h"
#include "pst/ltp/Tags.h"
#include "pstwriter/GeneratedContent.h"
#include "pstwriter/PstBuilder.h"
#include "saveas/AsciiCase.h"
#include "saveas/HtmlReferences.h"
#include "support/TestFiles.h"

#include <sstream>

namespace pellmark::test {
namespace {

namespace prop = pst::prop;

constexpr const char* kChromium = "/usr/bin/chromium";

const char kHtml[] =
    "<html><head><BASE href=http://www.example.com/news/letter.htm></head><body>\n"
    "<p><img src=\"logo.png\"> <img src='http://www.example.com/news/chart.png'>"
    " <img src=\"photo%201.png\"></p>\n"
    "<p><a href=\"more.htm?a=1&amp;b=2\">more</a> <a href=\"#top\">top</a></p></body></html>";

// logo.png by its absolute location, chart.png by a location relative to the page's base,
// "photo 1.png" by its file name alone; report.pdf is an ordinary attachment.
void fillWelcome(pstwriter::Message& m) {
    m.setSubject("Welcome").setBody("Welcome").setHtml(kHtml).setSender("Team", "t@example.com");
    const auto& png = pstwriter::samplePng();
    m.addAttachment("logo.png", png)
        .setString(prop::kAttachContentLocation, "http://www.example.com/news/logo.png");
    m.addAttachment("chart.png", png).setString(prop::kAttachContentLocation, "chart.png");
    m.addAttachment("photo 1.png", png);
    m.addAttachment("report.pdf", pstwriter::ByteVec{'%', 'P', 'D', 'F'});
}

// The welcome message, or a message that holds it attached.
std::filesystem::path writeFixture(const TempDir& dir, bool embedded = false) {
    pstwriter::PstBuilder b;
    auto& m = b.root().addFolder("Inbox", "IPF.Note").addMessage();
    if (embedded) {
        m.setSubject("Fwd").setBody("See the attached message");
        fillWelcome(m.addEmbeddedMessage("IPM.Note", "Welcome"));
    } else {
        fillWelcome(m);
    }
    const auto path = dir / (embedded ? "fwd.pst" : "welcome.pst");
    b.write(path);
    const auto& png = pstwriter::samplePng();
    writeFile(dir / "picture.png", std::string(png.begin(), png.end()));
    return path;
}

void save(const std::filesystem::path& pst, store::SaveType type, const std::filesystem::path& to) {
    firstItemOf(pst, "Inbox")->saveAs(to.string(), static_cast<int16_t>(type));
}

std::string chromium(const std::string& what, const std::filesystem::path& page,
                     const TempDir& dir) {
    requireReader(Reader::Chromium);
    const auto profile = dir / ("profile-" + page.stem().string());
    std::filesystem::create_directories(profile);
    return runCommand(std::string("timeout 60 ") + kChromium +
                      " --headless --no-sandbox --disable-gpu --no-first-run"
                      " --disable-background-networking --disable-component-update --disable-sync"
                      " --hide-scrollbars --window-size=1000,800 --virtual-time-budget=5000"
                      " --user-data-dir=" +
                      shellQuote(profile.string()) + " " + what + " " +
                      shellQuote("file://" + page.string()) + " 2>/dev/null")
        .out;
}

bool showsPicture(const std::filesystem::path& page, const TempDir& dir) {
    const auto shot = dir / ("shot-" + page.stem().string() + ".png");
    chromium("--screenshot=" + shellQuote(shot.string()), page, dir);
    return runPythonTool("png_find.py", shellQuote(shot.string()) + " " +
                                            shellQuote((dir / "picture.png").string()))
               .status == 0;
}

// RFC 3986 5.4's examples; an in-page anchor stays one, as a page's readers expect.
TEST(OfflinePage, RelativeUrlsResolveAgainstTheBaseAsRfc3986Says) {
    const std::string base = "http://a/b/c/d;p?q";
    for (const auto& [ref, want] :
         std::vector<std::pair<std::string, std::string>>{{"g", "http://a/b/c/g"},
                                                          {"./g", "http://a/b/c/g"},
                                                          {"g/", "http://a/b/c/g/"},
                                                          {"/g", "http://a/g"},
                                                          {"//g", "http://g"},
                                                          {"?y", "http://a/b/c/d;p?y"},
                                                          {"g?y", "http://a/b/c/g?y"},
                                                          {"g#s", "http://a/b/c/g#s"},
                                                          {"..", "http://a/b/"},
                                                          {"../g", "http://a/b/g"},
                                                          {".", "http://a/b/c/"},
                                                          {"../../../g", "http://a/g"},
                                                          {"g;x=1/../y", "http://a/b/c/y"},
                                                          {"#s", "#s"},
                                                          {"mailto:x@y", "mailto:x@y"}}) {
        EXPECT_EQ(saveas::resolveUrl(base, ref), want) << ref;
    }
    EXPECT_EQ(saveas::resolveUrl("mailto:x@y", "g"), "g") << "nothing to resolve against";
}

TEST(OfflinePage, EmlRelatesImagesNamedByLocationOrFileName) {
    TempDir dir;
    for (bool embedded : {false, true}) {
        save(writeFixture(dir, embedded), store::SaveType::Eml, dir / "m.eml");
        const std::string s = mimeSummary(dir / "m.eml");
        const auto attached = linesStartingWith(s, "message=");
        ASSERT_EQ(attached.size(), embedded ? 1u : 0u) << s;
        const std::string at = embedded ? attached[0] + "/" : "";  // the welcome message's parts
        size_t images = 0;
        for (const auto& p : linesStartingWith(s, at + "part=")) {
            if (p.find(" image/png disposition=inline ") == std::string::npos) continue;
            ++images;
            const size_t open = p.find(" cid=<"), close = p.find('>', open);
            ASSERT_NE(open, std::string::npos) << s;
            EXPECT_NE(s.find("src=\"cid:" + p.substr(open + 6, close - open - 6) + "\""),
                      std::string::npos)
                << p << "\n"
                << s;
        }
        EXPECT_EQ(images, 3u) << s;
        size_t photos = 0;
        for (const auto& p : linesStartingWith(s, at + "part=")) {
            photos +=
                p.find(" image/png disposition=inline filename=photo 1.png ") != std::string::npos;
        }
        EXPECT_EQ(photos, 1u) << "named by its file name alone\n" << s;
        EXPECT_NE(s.find(" application/pdf disposition=attachment filename=report.pdf "),
                  std::string::npos)
            << s;
        const std::string raw = readFile(dir / "m.eml");
        EXPECT_NE(raw.find("\r\nContent-Location: http://www.example.com/news/logo.png\r\n"),
                  std::string::npos);
        // A message body keeps its base: links the sender meant for the web still go there.
        EXPECT_NE(s.find("<BASE href=http://www.example.com/news/letter.htm>"), std::string::npos);
    }
}

TEST(OfflinePage, MhtShowsImagesNamedByLocationAndKeepsTheOtherAttachment) {
    TempDir dir;
    const auto pst = writeFixture(dir);
    save(pst, store::SaveType::Mht, dir / "m.mht");
    EXPECT_NE(mimeSummary(dir / "m.mht").find(" disposition=attachment filename=report.pdf "),
              std::string::npos);
    EXPECT_TRUE(showsPicture(dir / "m.mht", dir));
}

// What the page's document holds once loaded: each link as Chromium resolves it, and each
// image's width, one a line. A copy of the page gets a script that writes them into the DOM;
// the copy lies beside the page, so its links resolve alike.
std::vector<std::string> loadedLinksAndImages(const std::filesystem::path& page,
                                              const TempDir& dir) {
    const auto probe = page.parent_path() / "probe.html";
    writeFile(probe, readFile(page) +
                         "<script>onload = () => { const t = document.createElement('pre');"
                         " t.id = 'probe'; t.textContent = [...document.links].map(a => 'link ' + "
                         "a.href).concat([...document.images].map(i => 'image ' + i.naturalWidth))"
                         ".join('\\n'); document.body.append(t); };</script>");
    const std::string dom = chromium("--dump-dom", probe, dir);
    const size_t start = dom.find("<pre id=\"probe\">"), end = dom.find("</pre>", start);
    std::vector<std::string> out;
    if (start == std::string::npos || end == std::string::npos) return out;
    std::istringstream lines(dom.substr(start + 16, end - start - 16));
    for (std::string line; std::getline(lines, line);) {
        // The dump writes the text as HTML: "&" comes back as "&amp;".
        for (size_t at; (at = line.find("&amp;")) != std::string::npos;) line.erase(at + 1, 4);
        out.push_back(line);
    }
    return out;
}

TEST(OfflinePage, HtmlPageShowsItsImagesAndLinksToTheFilesWrittenBesideIt) {
    TempDir dir;
    const auto pst = writeFixture(dir);
    const auto out = dir / "Inbox";
    std::filesystem::create_directory(out);
    // As the conversion run writes a page: the attachments beside it, then the page with the
    // links to them appended.
    auto item = firstItemOf(pst, "Inbox");
    convert::FolderOutput output(out.string() + "/");
    const auto saved = convert::saveAttachments(*item, output);
    ASSERT_EQ(saved.written, 4);
    const auto page = out / "Welcome.html";
    item->saveAs(page.string(), static_cast<int16_t>(store::SaveType::Html));
    convert::appendAttachmentBlock(page.string(), saved.AttachmentLinks);
    EXPECT_EQ(saveas::findNoCase(readFile(page), "<base"), std::string::npos);

    EXPECT_TRUE(showsPicture(page, dir));
    size_t files = 0, images = 0;
    for (const auto& line : loadedLinksAndImages(page, dir)) {
        if (line.starts_with("image ")) {
            EXPECT_NE(line, "image 0") << "an image that does not load";
            ++images;
        } else if (line.starts_with("link file://") && line.find('#') == std::string::npos) {
            const auto target = saveas::percentDecoded(line.substr(12));
            EXPECT_TRUE(std::filesystem::exists(target)) << line;
            files += std::filesystem::exists(target);
        } else {
            // The body's own links go where the sender meant them to, as its base said.
            EXPECT_TRUE(line == "link http://www.example.com/news/more.htm?a=1&b=2" ||
                        line.ends_with("#top"))
                << line;
        }
    }
    EXPECT_EQ(images, 3u);
    EXPECT_EQ(files, 4u);
}

}  // namespace
}  // namespace pellmark::test
