// Attachment data on its way into a MIME file: streamed while encoded (a large attachment
// costs no more memory than a small one), exact on the way back, and any failure (a damaged
// attachment, a full disk) reported rather than written as a short file.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "MimeTestSupport.h"
#include "base/FileError.h"
#include "formats/SaveError.h"
#include "formats/mime/MimeOutput.h"
#include "formats/mime/MimeParts.h"
#include "pst/io/PstError.h"
#include "pstwriter/GeneratedContent.h"
#include "pstwriter/messaging/PstBuilder.h"
#include "support/TestFiles.h"

namespace pellmark::formats {
namespace {

using test::TempDir;

// Bytes of a simple generator, the same for the same size; throws after `failAt` bytes.
class GeneratedStream : public mapi::ByteStream {
  public:
    GeneratedStream(uint64_t size, uint64_t failAt = ~uint64_t{0}) : size_(size), failAt_(failAt) {}
    uint64_t size() const override { return size_; }
    size_t read(std::span<uint8_t> out) override {
        if (pos_ >= failAt_) throw pst::PstError(pst::ErrorCode::BadBlock, "damaged data block");
        const size_t n = static_cast<size_t>(std::min<uint64_t>(out.size(), size_ - pos_));
        for (size_t i = 0; i < n; ++i) out[i] = byteAt(pos_ + i);
        pos_ += n;
        return n;
    }
    static uint8_t byteAt(uint64_t i) { return static_cast<uint8_t>((i * 2654435761u) >> 13); }

  private:
    uint64_t size_, failAt_, pos_ = 0;
};

// A message of one attachment streamed from `open`, written to `path`.
void writeAttachmentMessage(DataOpener open, const std::filesystem::path& path) {
    auto part = dataPart({"big.bin", "application/octet-stream", "", "", false, std::move(open)});
    test::writeMimeFile(messageEntity("Subject: big\r\n", std::move(part)), path);
}

// Peak resident memory (VmHWM) in KiB, after resetting the peak to what is resident now.
long peakRssKiB(bool reset) {
    if (reset) std::ofstream("/proc/self/clear_refs") << "5";
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

TEST(MimeStream, AttachmentBytesComeBackExactly) {
    TempDir dir;
    constexpr uint64_t kSize = 3 * 1024 * 1024 + 7;
    writeAttachmentMessage([=] { return std::make_unique<GeneratedStream>(kSize); }, dir / "m.eml");
    std::filesystem::create_directory(dir / "parts");
    const std::string summary = test::mimeSummary(dir / "m.eml", dir / "parts");
    EXPECT_NE(
        summary.find("part=1 application/octet-stream disposition=attachment filename=big.bin "),
        std::string::npos)
        << summary;
    const std::string data = test::readFile(dir / "parts" / "1");
    ASSERT_EQ(data.size(), kSize);
    for (uint64_t i = 0; i < kSize; ++i) {
        if (static_cast<uint8_t>(data[i]) != GeneratedStream::byteAt(i)) {
            FAIL() << "byte " << i << " differs";
        }
    }
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

// The whole way, from a data file through the component: memory stays flat while a large
// attachment is read from the file, encoded and written.
TEST(MimeStream, LargeAttachmentIsEncodedWhileRead) {
    if (kAddressSanitizer) {
        GTEST_SKIP() << "AddressSanitizer keeps freed memory in quarantine, so resident size says "
                        "nothing here";
    }
    TempDir dir;
    constexpr uint64_t kSize = 256ull * 1024 * 1024;
    pstwriter::PstBuilder b;
    b.root()
        .addFolder("Inbox", "IPF.Note")
        .addMessage()
        .setSubject("Big")
        .setBody("attached")
        .addAttachment("big.bin", std::make_shared<pstwriter::GeneratedContent>(kSize, 5));
    b.write(dir / "big.pst");
    auto item = test::firstItemOf(dir / "big.pst", "Inbox");

    const long before = peakRssKiB(true);
    const auto start = std::chrono::steady_clock::now();
    item->saveAs((dir / "big.eml").string(), store::SaveFormat::Eml);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long grown = peakRssKiB(false) - before;
    // Base64 lines of 76 characters and CRLF: 4/3 of the data plus 2 bytes per 57.
    EXPECT_GT(std::filesystem::file_size(dir / "big.eml"), kSize / 3 * 4 + kSize / 57 * 2);
    EXPECT_LT(grown, 48 * 1024) << "peak memory grew by " << grown << " KiB for a " << kSize
                                << "-byte attachment";
    std::cout << "256 MiB attachment from a data file to .eml: " << seconds << " s, peak RSS +"
              << grown / 1024 << " MiB\n";
}

TEST(MimeStream, ReadFailureIsReportedNotWrittenShort) {
    TempDir dir;
    try {
        writeAttachmentMessage([] { return std::make_unique<GeneratedStream>(10 << 20, 1 << 20); },
                               dir / "m.eml");
        FAIL() << "a damaged attachment was written";
    } catch (const pst::PstError& e) {
        EXPECT_EQ(e.code(), pst::ErrorCode::BadBlock);
    }
    // The failure does not linger into the next save.
    writeAttachmentMessage([] { return std::make_unique<GeneratedStream>(100); }, dir / "ok.eml");
}

TEST(MimeStream, FullDiskIsAnError) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
    try {
        writeAttachmentMessage([] { return std::make_unique<GeneratedStream>(1 << 20); },
                               "/dev/full");
        FAIL() << "writing to a full disk succeeded";
    } catch (const base::FileError& e) {
        EXPECT_NE(std::string(e.what()).find("No space left on device"), std::string::npos)
            << e.what();
    }
}

}  // namespace
}  // namespace pellmark::formats
