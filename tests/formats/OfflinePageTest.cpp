// A message whose HTML carries a <base> pointing to the web and names its images by content
// location and by file name, as Outlook 2000's welcome mail does: the .eml relates the images
// to the page, the .mht shows them, and the .html page, written with its attachments beside it
// as the conversion run writes it, shows every image and links to the files written, offline,
// in Chromium.

#include <gtest/gtest.h>

#include "MimeTestSupport.h"
#include "base/AsciiCase.h"
#include "export/AttachmentLinks.h"
#include "formats/text/HtmlReferences.h"
#include "mapi/Tags.h"
#include "pstwriter/GeneratedContent.h"
#include "pstwriter/messaging/PstBuilder.h"
#include "support/TestFiles.h"

#include <sstream>

namespace pellmark::test {
namespace {

namespace prop = mapi::prop;

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

void save(const std::filesystem::path& pst, store::SaveFormat type,
          const std::filesystem::path& to) {
    firstItemOf(pst, "Inbox")->saveAs(to.string(), type);
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
        EXPECT_EQ(formats::resolveUrl(base, ref), want) << ref;
    }
    EXPECT_EQ(formats::resolveUrl("mailto:x@y", "g"), "g") << "nothing to resolve against";
}

TEST(OfflinePage, EmlRelatesImagesNamedByLocationOrFileName) {
    TempDir dir;
    for (bool embedded : {false, true}) {
        save(writeFixture(dir, embedded), store::SaveFormat::Eml, dir / "m.eml");
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
        // Content ids made up for images named by location come from the item, as boundaries do.
        save(writeFixture(dir, embedded), store::SaveFormat::Eml, dir / "again.eml");
        EXPECT_EQ(readFile(dir / "again.eml"), raw) << "the same item gives the same bytes";
        // A message body keeps its base: links the sender meant for the web still go there.
        EXPECT_NE(s.find("<BASE href=http://www.example.com/news/letter.htm>"), std::string::npos);
    }
}

TEST(OfflinePage, MhtShowsImagesNamedByLocationAndKeepsTheOtherAttachment) {
    TempDir dir;
    const auto pst = writeFixture(dir);
    save(pst, store::SaveFormat::Mht, dir / "m.mht");
    save(pst, store::SaveFormat::Mht, dir / "again.mht");
    EXPECT_EQ(readFile(dir / "again.mht"), readFile(dir / "m.mht")) << "the same bytes again";
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

// Writes `item` as the conversion run writes a page: the attachments beside it into `out`, and
// the page with the links to them. Returns the page's path.
std::filesystem::path writePage(store::MailItem& item, const std::filesystem::path& out) {
    std::filesystem::create_directories(out);
    exporting::FolderOutput output(out.string() + "/");
    exporting::FolderOutput::Placing page{output.reserveScratch(".html"),
                                          [](int) { return std::string("page.html"); }};
    auto attachments = exporting::claimAttachments(item, output);
    exporting::renderPage(item, store::SaveFormat::Html, attachments, page.scratch, false);
    exporting::NoLedger none;
    const auto saved = exporting::placeWithAttachments(page, attachments, output, none);
    EXPECT_TRUE(saved.failures.empty());
    const std::string html = readFile(saved.page.path);
    EXPECT_EQ(base::findNoCase(html, "<base"), std::string::npos);
    EXPECT_EQ(html.find(out.string()), std::string::npos) << "a page names no folder of ours";
    return saved.page.path;
}

struct Loaded {
    size_t images = 0, files = 0;
    std::vector<std::string> web;  // links that leave the page's directory
};

// Counts the images that loaded and the links to files that exist; fails for any image that
// did not load and any link to a file that is not there.
Loaded checkLoaded(const std::filesystem::path& page, const TempDir& dir) {
    Loaded loaded;
    for (const auto& line : loadedLinksAndImages(page, dir)) {
        if (line.starts_with("image ")) {
            EXPECT_NE(line, "image 0") << page << ": an image that does not load";
            ++loaded.images;
        } else if (line.starts_with("link file://") && line.find('#') == std::string::npos) {
            const auto target = formats::percentDecoded(line.substr(12));
            EXPECT_TRUE(std::filesystem::exists(target)) << line;
            loaded.files += std::filesystem::exists(target);
        } else if (!line.ends_with("#top")) {
            loaded.web.push_back(line);
        }
    }
    return loaded;
}

TEST(OfflinePage, HtmlPageShowsItsImagesAndLinksToTheFilesWrittenBesideIt) {
    TempDir dir;
    auto item = firstItemOf(writeFixture(dir), "Inbox");
    const auto page = writePage(*item, dir / "Inbox");
    EXPECT_TRUE(showsPicture(page, dir));
    const Loaded loaded = checkLoaded(page, dir);
    EXPECT_EQ(loaded.images, 3u);
    EXPECT_EQ(loaded.files, 4u);
    // The body's own link goes where the sender meant it to, as its base said.
    EXPECT_EQ(loaded.web,
              std::vector<std::string>{"link http://www.example.com/news/more.htm?a=1&b=2"});
}

// Outlook 2000's welcome mail, forwarded: a <base> on the web, eight images by location.
TEST(OfflinePage, SampleWelcomePageWorksOffline) {
    PELLMARK_SAMPLE_OR_SKIP(pst,
                            "pst/hughbe-simiden-pst2john__2003_high-encryption_quickquick.pst");
    TempDir dir;
    bool checked = false;
    forEachItem(pst, [&](store::MailItem& item, const mapi::Item& m, const std::string&) {
        if (checked || m.subject() != "FW: Welcome to Microsoft Outlook 2000!") return;
        checked = true;
        const Loaded loaded = checkLoaded(writePage(item, dir / "out"), dir);
        EXPECT_GE(loaded.images, 8u);
        EXPECT_EQ(loaded.files, m.attachmentCount());
    });
    EXPECT_TRUE(checked);
}

}  // namespace
}  // namespace pellmark::test
