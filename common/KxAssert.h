#pragma once
// Programming errors: a broken invariant or a precondition the caller
// violated. Debug builds stop at an assert(); release builds never continue
// into undefined behaviour: each call site either picks a documented safe
// result (KX_CHECK) or throws std::logic_error (KX_PROGRAMMING_ERROR), which
// every COM boundary turns into E_UNEXPECTED (KxError.h, KxBoundary).
#include <cassert>
#include <stdexcept>

// Asserts `cond` (with `message`, a string literal, in the assertion text) in
// debug builds; gives the truth of `cond`, so release code can branch to its
// safe outcome.
#define KX_CHECK(cond, message) (assert((cond) && message), static_cast<bool>(cond))

// A programming error without a sensible result.
#define KX_PROGRAMMING_ERROR(message)         \
    do {                                      \
        assert(!message);                     \
        throw std::logic_error(message);      \
    } while (0)
