// The bytes of a drawing file held in memory for as long as its database lives. A file read
// from disk goes into fresh memory that is not cleared first: drawings run to hundreds of
// megabytes, and clearing them before read() fills them cost a fifth of the read.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace cadhost::dxf {

class TextBuffer {
public:
    TextBuffer() = default;
    ~TextBuffer() { release(); }
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    // Takes text that is already in memory.
    void assign(std::string text);
    // Replaces the content with size bytes of undefined value, to be filled through data().
    // False (and empty) when the memory cannot be had.
    bool allocate(std::size_t size);

    char* data() { return const_cast<char*>(m_view.data()); }
    std::string_view view() const { return m_view; }

private:
    void release();

    std::string m_string;
    void* m_map = nullptr;
    std::size_t m_mapSize = 0;
    std::string_view m_view;
};

}  // namespace cadhost::dxf
