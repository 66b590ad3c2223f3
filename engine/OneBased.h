#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Element I of an array numbered from 1 (entry 0 unused): stages, links, groups, suppliers and
// periods are counted from 1 throughout, in int; this keeps the conversion in one place.
template <typename TArray>
decltype(auto) Elem(TArray& Array, int64_t I)
{
    return Array[static_cast<std::size_t>(I)];
}

// Element I of a history indexed by period, or zero for a period it does not hold (negative or
// past its end), so that a history shorter than the run is never read beyond its end.
template <typename T>
T ElemOrZero(const std::vector<T>& History, int64_t I)
{
    return I >= 0 && static_cast<std::size_t>(I) < History.size() ? History[static_cast<std::size_t>(I)] : T{};
}
