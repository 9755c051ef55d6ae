// Copies into the program's fixed text buffers. A text that does not fit is refused and the
// buffer keeps its old content: a shortened path would name a different folder.
#ifndef MARVOLEN_BOUNDED_TEXT_H
#define MARVOLEN_BOUNDED_TEXT_H

#include <cstddef>
#include <cstring>

template <std::size_t N>
bool CopyText(char (&dst)[N], const char* src)
{
    const std::size_t length = std::strlen(src);
    if (length >= N) return false;
    std::memmove(dst, src, length + 1);
    return true;
}

template <std::size_t N>
bool AppendText(char (&dst)[N], const char* suffix)
{
    const std::size_t have = std::strlen(dst);
    const std::size_t more = std::strlen(suffix);
    if (have + more >= N) return false;
    std::memmove(dst + have, suffix, more + 1);
    return true;
}

// dst := a + b, all or nothing.
template <std::size_t N>
bool JoinText(char (&dst)[N], const char* a, const char* b)
{
    const std::size_t la = std::strlen(a);
    const std::size_t lb = std::strlen(b);
    if (la + lb >= N) return false;
    std::memmove(dst, a, la);
    std::memmove(dst + la, b, lb + 1);
    return true;
}

#endif
