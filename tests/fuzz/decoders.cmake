# The fuzz build's decoders: libogg, libvorbis/libvorbisfile and lodepng
# compiled from Debian's own source packages (fetched into fuzz-src/ by
# scripts/fuzz-sources.sh) with the fuzzer's coverage and the sanitizers, so
# libFuzzer can steer inside them; the system libraries carry no coverage, so
# there it would mutate blind. Only the fuzz build includes this file.
# Sets KUVO_VORBISFILE, KUVO_OGG and KUVO_LODEPNG to what the backend links. A source
# that is missing, or not of the version the game links, is named in one line
# and the system library stands in for it.

set(ZINDLE_FUZZ_SOURCES ${CMAKE_SOURCE_DIR}/fuzz-src CACHE PATH "Debian sources of the decoders for the fuzz build")

# Sets <pkg>_FUZZ_SRC to the fetched source of `pkg` when it is there and of
# the source version of the installed `dev` package.
function(zindle_fuzz_source pkg dev)
  set(dir ${ZINDLE_FUZZ_SOURCES}/${pkg})
  execute_process(COMMAND dpkg-query -W -f=\${source:Version} ${dev}
    OUTPUT_VARIABLE linked ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(fetched "")
  if(EXISTS ${dir}/.source-version)
    file(STRINGS ${dir}/.source-version fetched LIMIT_COUNT 1)
  endif()
  if(fetched STREQUAL "")
    message(STATUS "fuzz: no source of ${pkg} in ${ZINDLE_FUZZ_SOURCES} (scripts/install-deps.sh --test fetches it); the fuzz targets link the system ${pkg}, whose code they cannot measure")
  elseif(NOT fetched STREQUAL linked)
    message(STATUS "fuzz: the source of ${pkg} is ${fetched} but the game links ${linked}; the fuzz targets link the system ${pkg}")
  else()
    set(${pkg}_FUZZ_SRC ${dir} PARENT_SCOPE)
  endif()
endfunction()

zindle_fuzz_source(libogg libogg-dev)
zindle_fuzz_source(libvorbis libvorbis-dev)
zindle_fuzz_source(lodepng liblodepng-dev)

# Library code is not ours to tidy: its warnings are left out. Both Ogg
# libraries build 32-bit words from bytes promoted to int, shifting them into
# bit 31 (the result is taken as unsigned, as meant); that one check of
# UndefinedBehaviorSanitizer would fire on every valid stream.
set(FUZZ_DECODER_OPTIONS -w -fno-sanitize=shift-base)

if(libogg_FUZZ_SRC)
  # configure writes config_types.h; the fixed-width types of <stdint.h> are
  # what it finds on every 64-bit Linux.
  set(INCLUDE_INTTYPES_H 0)
  set(INCLUDE_STDINT_H 1)
  set(INCLUDE_SYS_TYPES_H 0)
  foreach(bits 16 32 64)
    set(SIZE${bits} int${bits}_t)
    set(USIZE${bits} uint${bits}_t)
  endforeach()
  configure_file(${libogg_FUZZ_SRC}/include/ogg/config_types.h.in
    ${CMAKE_BINARY_DIR}/fuzz-ogg/include/ogg/config_types.h @ONLY)
  add_library(fuzz_ogg STATIC ${libogg_FUZZ_SRC}/src/bitwise.c ${libogg_FUZZ_SRC}/src/framing.c)
  target_include_directories(fuzz_ogg SYSTEM PUBLIC ${libogg_FUZZ_SRC}/include ${CMAKE_BINARY_DIR}/fuzz-ogg/include)
  # Two of UndefinedBehaviorSanitizer's checks are left out of libogg, as they
  # fire on every stream, valid or not, and say nothing of a fault: its bit
  # reader shifts bytes promoted to int past bit 31 (see below), and
  # ogg_sync_pageseek adds 0 to a null pointer while the sync buffer is
  # still empty.
  target_compile_options(fuzz_ogg PRIVATE ${FUZZ_DECODER_OPTIONS} -fno-sanitize=pointer-overflow)
  set(FUZZ_OGG fuzz_ogg)
  set(KUVO_OGG fuzz_ogg)
  message(STATUS "fuzz: libogg compiled from ${libogg_FUZZ_SRC}")
else()
  pkg_check_modules(FUZZ_SYSTEM_OGG REQUIRED IMPORTED_TARGET ogg)
  set(FUZZ_OGG PkgConfig::FUZZ_SYSTEM_OGG)
endif()

if(libvorbis_FUZZ_SRC)
  set(lib ${libvorbis_FUZZ_SRC}/lib)
  # libvorbis and libvorbisfile as their own build makes them; the encoder,
  # the self tests and the tuning tools are left out.
  add_library(fuzz_vorbisfile STATIC ${lib}/vorbisfile.c
    ${lib}/mdct.c ${lib}/smallft.c ${lib}/block.c ${lib}/envelope.c ${lib}/window.c ${lib}/lsp.c
    ${lib}/lpc.c ${lib}/analysis.c ${lib}/synthesis.c ${lib}/psy.c ${lib}/info.c ${lib}/floor1.c
    ${lib}/floor0.c ${lib}/res0.c ${lib}/mapping0.c ${lib}/registry.c ${lib}/codebook.c
    ${lib}/sharedbook.c ${lib}/lookup.c ${lib}/bitrate.c)
  target_include_directories(fuzz_vorbisfile SYSTEM PUBLIC ${libvorbis_FUZZ_SRC}/include PRIVATE ${lib})
  target_compile_options(fuzz_vorbisfile PRIVATE ${FUZZ_DECODER_OPTIONS})
  target_link_libraries(fuzz_vorbisfile PUBLIC ${FUZZ_OGG} m)
  set(KUVO_VORBISFILE fuzz_vorbisfile)
  message(STATUS "fuzz: libvorbis and libvorbisfile compiled from ${libvorbis_FUZZ_SRC}")
endif()

if(lodepng_FUZZ_SRC)
  add_library(fuzz_lodepng STATIC ${lodepng_FUZZ_SRC}/lodepng.cpp)
  target_include_directories(fuzz_lodepng SYSTEM PUBLIC ${lodepng_FUZZ_SRC})
  target_compile_options(fuzz_lodepng PRIVATE -w)
  set(KUVO_LODEPNG fuzz_lodepng)
  message(STATUS "fuzz: lodepng compiled from ${lodepng_FUZZ_SRC}")
endif()
