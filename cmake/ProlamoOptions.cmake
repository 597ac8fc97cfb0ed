# One place for the language standard, warnings and sanitizers; every target links prolamo_options.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE RelWithDebInfo)
endif()

add_library(prolamo_options INTERFACE)
if(MSVC)
  target_compile_options(prolamo_options INTERFACE /W4 /permissive- /utf-8)
else()
  target_compile_options(prolamo_options INTERFACE
    -Wall -Wextra -pedantic -Woverloaded-virtual -Wnon-virtual-dtor -Wold-style-cast
    # Designated initializers leave the other members at their defaults on purpose.
    -Wno-missing-field-initializers)
endif()
if(WIN32)
  target_compile_definitions(prolamo_options INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE)
endif()
if(PROLAMO_FUZZ)
  # Coverage for the fuzzer in every library; the fuzzer's main comes with its own target.
  target_compile_options(prolamo_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined
    -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(prolamo_options INTERFACE -fsanitize=address,undefined)
elseif(PROLAMO_SANITIZE)
  target_compile_options(prolamo_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(prolamo_options INTERFACE -fsanitize=address,undefined)
endif()
