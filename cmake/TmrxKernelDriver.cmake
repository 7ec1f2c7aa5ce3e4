# tmrx_kernel_driver(NAME SOURCES src... [INCLUDES dir...] [DEFINES def...])
#
# A 32-bit x86 kernel-mode driver image NAME.sys (win32 preset): freestanding
# C++ with no C or C++ runtime, linked only against NDIS.SYS, ntoskrnl.exe
# and HAL.dll (plus libgcc's arithmetic helpers), native subsystem, entry
# DriverEntry. Sources include <ndis.h>, which resolves to
# net/win32/kernel/ndis.h (the DDK header made fit for C++).
#
# Nothing runs before DriverEntry: global constructors are not supported
# (scripts/check-kernel-imports.sh rejects an image that has any).
#
# Resource scripts among the sources (a version block) are compiled in with
# windres. After each link scripts/finish-kernel-image.sh makes the image
# what is shipped: debug sections moved to NAME.sys.debug beside it, a
# section INIT marked discardable, the true checksum in the header.

enable_language(RC)

set(TMRX_KERNEL_INCLUDE ${CMAKE_CURRENT_LIST_DIR}/../net/win32/kernel)
# The DDK headers include each other without their ddk/ prefix.
find_path(TMRX_DDK_INCLUDE NAMES ntddk.h wdm.h
  HINTS ${CMAKE_FIND_ROOT_PATH}
  PATH_SUFFIXES include/ddk
  DOC "mingw-w64 DDK headers" REQUIRED)

function(tmrx_kernel_driver name)
  cmake_parse_arguments(K "" "" "SOURCES;INCLUDES;DEFINES" ${ARGN})
  if(NOT K_SOURCES)
    message(FATAL_ERROR "tmrx_kernel_driver(${name}): no SOURCES")
  endif()
  add_executable(${name} ${K_SOURCES})
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".sys")
  target_include_directories(${name} BEFORE PRIVATE ${TMRX_KERNEL_INCLUDE} ${K_INCLUDES})
  target_include_directories(${name} SYSTEM PRIVATE ${TMRX_DDK_INCLUDE})
  target_compile_definitions(${name} PRIVATE NDIS_MINIPORT_DRIVER=1 NDIS50_MINIPORT=1 ${K_DEFINES})
  target_compile_options(${name} PRIVATE $<$<COMPILE_LANGUAGE:C,CXX>:
    -ffreestanding
    -fno-exceptions
    -fno-rtti
    -fno-asynchronous-unwind-tables
    -fno-unwind-tables
    -fno-threadsafe-statics   # no guard calls into a runtime
    -fno-use-cxa-atexit
    -fno-stack-protector
    -mno-stack-arg-probe      # no __chkstk: kernel stacks are committed
    -Wall -Wextra
  >)
  target_link_options(${name} PRIVATE
    -nostdlib
    -nostartfiles
    LINKER:--subsystem,native
    LINKER:--entry,_DriverEntry@8
    LINKER:--image-base,0x10000
    LINKER:--section-alignment,0x1000
    LINKER:--file-alignment,0x200
    LINKER:--dynamicbase      # keeps base relocations: the loader places drivers anywhere
    LINKER:--nxcompat
  )
  target_link_libraries(${name} PRIVATE ndis ntoskrnl hal gcc)
  add_custom_command(TARGET ${name} POST_BUILD
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/finish-kernel-image.sh --objcopy ${TMRX_OBJCOPY} $<TARGET_FILE:${name}>
    BYPRODUCTS ${CMAKE_CURRENT_BINARY_DIR}/${name}.sys.debug
    COMMENT "Moving ${name}.sys's debug sections aside, setting its checksum"
    VERBATIM)
endfunction()
