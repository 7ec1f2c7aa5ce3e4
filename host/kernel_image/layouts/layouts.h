// For layout sources compiled for i686 (see kimage_layouts in CMakeLists.txt):
// each LAYOUT becomes an absolute symbol DDK_name that ddk-layouts.sh turns
// into `constexpr uint32_t name` of namespace kimage::ddk.
#pragma once

#include <stddef.h>

#define LAYOUT(name, value) asm volatile(".globl DDK_" #name "\n.set DDK_" #name ", %c0" ::"i"(value))
#define SIZE(type) LAYOUT(type##_size, sizeof(type))
#define FIELD(type, name, field) LAYOUT(type##_##name, offsetof(type, field))
