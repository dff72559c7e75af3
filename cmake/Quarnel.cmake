# Helpers shared by the engine, tests, fuzz targets and benchmarks.

# Engine code has no exceptions and no RTTI. Everything that derives from
# engine classes (tests, plug-ins) must also go without RTTI, since the
# engine exports no type information; hence -fno-rtti is passed on.
function(quarnel_engine_flags target)
  target_compile_options(${target} PRIVATE -fno-exceptions)
  target_compile_options(${target} PUBLIC -fno-rtti)
endfunction()
