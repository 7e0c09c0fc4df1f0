#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "runtime/Object.h"

// A read-only byte stream over one resource file of the data folder.
class InputStream : public Object {
public:
    ~InputStream() override;

    // Opens the resource name (one leading "/" is skipped) from the data
    // folder; true when the file is open.
    virtual bool open(const char* name);
    // The next byte as 0..255, or -1 at the end, on an error or when closed.
    virtual int32_t read();
    // Up to n bytes into dst; the number read, 0 at the end or when closed.
    virtual int32_t read(int8_t* dst, int32_t n);
    // The bytes from the current position to the end of the file (0 when
    // closed or not seekable), at most INT32_MAX: readers check the
    // counts and sizes a file announces against it before they allocate.
    virtual int32_t available();
    virtual void close();
    bool isOpen() const { return m_file != nullptr; }

    // The folder that resource names resolve in; set by the host (tests set a
    // temporary one). A name is a single file name inside it.
    static void setResourceDir(const std::string& dir);
    static const std::string& resourceDir();
    // The file-system path of a resource name, or "" for a name that would
    // leave the folder.
    static std::string resourcePath(const char* name);
    // The resource name as messages show it: the file's path, or the name
    // itself when it would leave the folder.
    static std::string displayPath(const char* name);

    std::FILE* m_file = nullptr;
};
