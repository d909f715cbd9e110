# Fails when FILE is larger than MAX_BYTES, saying by how much.
file(SIZE "${FILE}" size)
if(size GREATER MAX_BYTES)
  math(EXPR over "${size} - ${MAX_BYTES}")
  message(FATAL_ERROR "${FILE} is ${size} bytes, ${over} over the ${MAX_BYTES}-byte budget")
endif()
message(STATUS "${FILE}: ${size} bytes of ${MAX_BYTES}")
