#pragma once
#include <filesystem>
#include <string>

// A folder of the caller's own under the temporary directory: made by mkdtemp
// (an unpredictable name, readable by its owner only), so that no other user
// can plant it or a link in it beforehand, and removed with what it holds
// when the object goes. A folder that could not be made leaves path() empty.
class ScratchFolder {
public:
    // tag names the folder's owner in its name: "korvath-<tag>-XXXXXX".
    explicit ScratchFolder(const std::string& tag);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    bool made() const { return !m_path.empty(); }

private:
    std::filesystem::path m_path;
};
