// The two checks of the layout tests, both made while the file compiles: a field's offset, and
// the exact type (arguments, result and calling convention) of an entry point or a service.
#pragma once

#include <cstddef>
#include <type_traits>

#define PIXLOR_AT(type, field, offset) \
    static_assert(offsetof(type, field) == (offset), #type "::" #field)
#define PIXLOR_CALL(entity, type) static_assert(std::is_same_v<decltype(entity), type>, #entity)
