#pragma once
#include <cstddef>
#include <cstdint>

// Element I of an array numbered from 1 (entry 0 unused): stages, links, groups, suppliers and
// periods are counted from 1 throughout, in int; this keeps the conversion in one place.
template <typename TArray>
decltype(auto) Elem(TArray& Array, int64_t I)
{
    return Array[static_cast<std::size_t>(I)];
}
