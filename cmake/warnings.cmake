# Project-wide compiler settings: warnings are errors on every compiler we build with.
add_compile_options(-Wall -Wextra -Werror)
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_compile_options(-Wno-unknown-warning-option)
endif()
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
   AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  # GCC 12 at -O2 and above reports overlapping copies inside libstdc++'s own std::string
  # concatenation that cannot happen (GCC bug 105651); the warning says nothing about our code.
  add_compile_options(-Wno-restrict)
endif()

if(VURERODE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(VURERODE_FUZZ)
  # Instrument everything for coverage; the fuzz targets add -fsanitize=fuzzer at link time.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(MINGW)
  # One self-contained executable per program: no libstdc++/libgcc/winpthread DLLs beside it.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # The programs are static: each function and object in a section of its own lets the linker
  # leave out what nothing calls, in our code and in the runtime libraries alike.
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-Wl,--gc-sections)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX)
endif()

# Collect the sources of one library folder; new files join the build without editing CMake.
function(vurerode_sources out dir)
  file(GLOB _s CONFIGURE_DEPENDS "${dir}/*.cpp")
  set(${out} ${_s} PARENT_SCOPE)
endfunction()
