#pragma once
// Writes a file whole or not at all: the content goes to a temporary file beside the target
// and is renamed onto it by commit(). Without commit() the temporary file is removed, so a
// failed save leaves nothing at the path.

#include <filesystem>

namespace pellmark::saveas {

class AtomicFile {
public:
    // Creates the temporary file; throws SaveError when the directory refuses it.
    explicit AtomicFile(std::filesystem::path target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Where to write the content.
    const std::filesystem::path& tempPath() const { return temp_; }
    // Moves the content to the target; throws SaveError when the rename fails.
    void commit();

private:
    std::filesystem::path target_;
    std::filesystem::path temp_;
    bool committed_ = false;
};

}  // namespace pellmark::saveas
