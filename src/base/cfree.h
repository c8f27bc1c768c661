#pragma once

#include <memory>

/// The one way a C library's handle is owned: a unique_ptr whose deleter calls the library's
/// release function, e.g. `CHandle<sqlite3_stmt, &sqlite3_finalize>`.
template <auto Free>
struct CFree
{
    template <class T>
    void operator()(T* p) const
    {
        Free(p);
    }
};

template <class T, auto Free>
using CHandle = std::unique_ptr<T, CFree<Free>>;
