# One interface target carries the flags every target uses.
add_library(doravent_flags INTERFACE)
target_compile_features(doravent_flags INTERFACE cxx_std_20)
target_compile_options(doravent_flags INTERFACE
  -Wall -Wextra -Wpedantic -Wold-style-cast -Wnon-virtual-dtor -Wshadow)
target_compile_definitions(doravent_flags INTERFACE
  QT_NO_KEYWORDS DORAVENT_VERSION="${PROJECT_VERSION}"
  DORAVENT_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  DORAVENT_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  DORAVENT_VERSION_PATCH=${PROJECT_VERSION_PATCH})
if(DORAVENT_WERROR)
  target_compile_options(doravent_flags INTERFACE -Werror)
endif()
if(DORAVENT_SANITIZE)
  target_compile_options(doravent_flags INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(doravent_flags INTERFACE -fsanitize=address,undefined)
endif()
if(DORAVENT_TSAN)
  target_compile_options(doravent_flags INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(doravent_flags INTERFACE -fsanitize=thread)
endif()
if(DORAVENT_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "The fuzz targets need clang (the fuzz preset sets it)")
  endif()
  # Coverage for the fuzzer in every library; the fuzzer's own main is linked into the targets.
  target_compile_options(doravent_flags INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(doravent_flags INTERFACE -fsanitize=address,undefined)
endif()
