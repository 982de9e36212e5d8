# Sources that make no Win32 call: compiled into both the Windows program and the host build
# (unit tests under sanitizers, fuzzers, benchmarks).
set(PURE_SOURCES
  language/xml_doc.cpp
  language/language_pack_text.cpp
  cleanup/steps/setup_file_parser.cpp
  cleanup/steps/setup_value_text.cpp
  cleanup/steps/com_skip_rules.cpp
  cleanup/steps/com_list_file.cpp
  cleanup/steps/detector_report.cpp
  cleanup/steps/shortcut_file.cpp
  procedures/animation_timetable.cpp
  cleanup/trust/path_rule_text.cpp
  framework/path_text.cpp
  app/command_line.cpp
  ui/skin_color.cpp
  ui/percent_bar_geometry.cpp
  cleanup/processes/close_programs_text.cpp
)
# The one system fact pure code needs (double-byte lead bytes) has a host body here; the
# Windows body (language/mbcs_win.cpp) is picked up with the rest of the product.
set(PURE_SOURCES_HOST language/mbcs_host.cpp)
