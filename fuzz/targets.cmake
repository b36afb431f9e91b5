# Every fuzz target, once: its entry function (fuzz/<name>_fuzz.cpp), the
# project libraries that hold what it reads, and the inputs it starts from
# (seeds and every former finding). fuzz/CMakeLists.txt builds each for
# libFuzzer; tests/fuzz/CMakeLists.txt builds the same entry function with the
# ordinary compiler and runs it over the same inputs, so a target that no longer
# builds fails the test suite. Whoever includes this file defines
# kavrin_fuzz_target(<name> CORPUS <dir below the source tree> LIBS <libraries>).

# PE resources, version resources and icon images.
kavrin_fuzz_target(icon_readers CORPUS tests/fixtures/pe LIBS kavrin_platform)
# The control connection's reply reader.
kavrin_fuzz_target(reply_reader CORPUS fuzz/corpus/reply_reader LIBS kavrin_ftp)
# Listing lines: splitter, both decodings, line forms, field tails, safe names.
kavrin_fuzz_target(listing CORPUS fuzz/corpus/listing LIBS kavrin_ftp)
# KAVRIN.INI: load -> save -> load.
kavrin_fuzz_target(ini CORPUS fuzz/corpus/ini LIBS kavrin_platform_core)
# Code page 949 and UTF-8 with escapes: the round trip.
kavrin_fuzz_target(codecs CORPUS fuzz/corpus/codecs LIBS kavrin_platform_core)
# RTF: read, save, reopen.
kavrin_fuzz_target(rtf CORPUS fuzz/corpus/rtf LIBS kavrin_viewers)
# DAYTIME answers: the reader and the fixed-column time.
kavrin_fuzz_target(daytime CORPUS fuzz/corpus/daytime LIBS kavrin_nettools)
# The permission window's reading of LIST -lai: fields, mode bits, mode text.
kavrin_fuzz_target(chmod_listing CORPUS fuzz/corpus/chmod_listing LIBS kavrin_remoteops)
# The port of a 227 or 229 reply and the host field (host:port, [v6]:port).
kavrin_fuzz_target(data_address CORPUS fuzz/corpus/data_address LIBS kavrin_ftp)
# The answer to FEAT.
kavrin_fuzz_target(features CORPUS fuzz/corpus/features LIBS kavrin_ftp)
# The REXEC status byte and the line collector of REXEC and finger output.
kavrin_fuzz_target(rexec CORPUS fuzz/corpus/rexec LIBS kavrin_nettools)
# The viewer's plain text files: encoding and line ends, there and back.
kavrin_fuzz_target(text_codec CORPUS fuzz/corpus/text_codec LIBS kavrin_viewers)
