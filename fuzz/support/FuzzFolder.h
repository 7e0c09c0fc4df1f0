#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The temporary folder of one fuzzing process. Harnesses write their input
// into it as a resource or preferences file, so that it reaches the reader by
// the game's own road (the runtime's resource stream, the preferences store).
// It is the resource folder and the preferences folder of the process, and it
// is removed when the process ends.
class FuzzFolder {
public:
    // The folder of this process, made and installed on first use.
    static FuzzFolder& instance();
    ~FuzzFolder();

    const std::string& path() const { return m_path; }
    void write(const std::string& name, const uint8_t* data, std::size_t size);
    // Cuts data into the pages name0.bin, name1.bin, ... of pageSize bytes,
    // as the image library writer does, and removes pages left from a longer
    // earlier input.
    void writePages(const std::string& name, const uint8_t* data, std::size_t size, std::size_t pageSize);
    // Copies a file of the game's data folder (built next to the programs);
    // false when it is missing.
    bool copyData(const std::string& name);
    // Copies the pages name0.bin, name1.bin, ... of an image library of the
    // data folder; the number copied.
    int32_t copyPages(const std::string& name);

private:
    FuzzFolder();
    std::string m_path;
    std::size_t m_pages = 0;
};
