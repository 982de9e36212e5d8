# Sources that make no Win32 call: compiled into both the Windows program and the host build
# (unit tests under sanitizers, fuzzers, benchmarks).
set(PURE_SOURCES
  language/xml_doc.cpp
  language/language_pack_text.cpp
  cleanup/setup_file_parser.cpp
  cleanup/setup_value_text.cpp
  cleanup/com_skip_rules.cpp
  cleanup/com_list_file.cpp
  cleanup/detector_report.cpp
  procedures/animation_timetable.cpp
  cleanup/path_rule_text.cpp
  framework/path_text.cpp
  app/command_line.cpp
  ui/skin_color.cpp
  ui/percent_bar_geometry.cpp
  cleanup/close_programs_text.cpp
)
# The one system fact pure code needs (double-byte lead bytes) has a host body here; the
# Windows body (language/mbcs_win.cpp) is picked up with the rest of the product.
set(PURE_SOURCES_HOST language/mbcs_host.cpp)
