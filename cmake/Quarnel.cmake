# Helpers shared by the engine, tests, fuzz targets and benchmarks.

# Engine code has no exceptions and no RTTI. Everything that derives from
# engine classes (tests, plug-ins) must also go without RTTI, since the
# engine exports no type information; hence -fno-rtti is passed on.
#
# Nothing replaces the engine's functions at load time, so calls inside a
# library go straight to them, not through its procedure table, and may be
# inlined (-fno-semantic-interposition, -Bsymbolic-functions): the script
# interpreter's hot path is made of many small calls.
function(quarnel_engine_flags target)
  target_compile_options(${target} PRIVATE -fno-exceptions -fno-semantic-interposition)
  target_link_options(${target} PRIVATE -Wl,-Bsymbolic-functions)
  target_compile_options(${target} PUBLIC -fno-rtti)
endfunction()
