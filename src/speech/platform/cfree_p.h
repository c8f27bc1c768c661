#pragma once

// A unique_ptr deleter that calls a C library's release function.
namespace speech {

template <auto Free>
struct CFree
{
    template <class T>
    void operator()(T* p) const
    {
        Free(p);
    }
};

} // namespace speech
