# One warning set for every target of ours; third-party headers come in as system
# includes, so their warnings stay out of it.
add_library(velmora_warnings INTERFACE)
if(MSVC)
  target_compile_options(velmora_warnings INTERFACE /W4 /permissive- /utf-8)
  if(VELMORA_WERROR)
    target_compile_options(velmora_warnings INTERFACE /WX)
  endif()
else()
  # -Wdouble-promotion and -Wfloat-conversion keep the camera arithmetic in single
  # precision: a stray double literal or an implicit narrowing shows up at once.
  target_compile_options(velmora_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Wdouble-promotion -Wfloat-conversion
    -Wimplicit-fallthrough -Wmissing-declarations)
  if(VELMORA_WERROR)
    target_compile_options(velmora_warnings INTERFACE -Werror)
  endif()
endif()
