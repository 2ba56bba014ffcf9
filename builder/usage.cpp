// Help texts of tlx-builder, written for the people who ship setup files.
#include "builder/usage.h"

#define TLX_BUILD_HELP                                                                                \
    "tlx-builder build --stub LAUNCHER.exe --project PROJECT.toml --output SETUP.exe\n"               \
    "                  [--icon ICON.ico] [--splash-image IMAGE]\n"                                    \
    "\n"                                                                                              \
    "  Writes SETUP.exe: the launcher stub followed by the payload the project describes\n"           \
    "  (settings, messages, language blocks, the files to extract, trailing data), with a\n"          \
    "  CRC-32 over it. The same inputs always give the same bytes.\n"                                 \
    "\n"                                                                                              \
    "  --stub     the launcher executable (launcher.exe of the x86 or x64 build). It must be\n"       \
    "             the stripped stub itself: a setup file or a file with anything behind its\n"        \
    "             last section is refused.\n"                                                         \
    "  --project  the project file (TOML, see below).\n"                                              \
    "  --icon     an .ico file: every image in it becomes the setup file's icon.\n"                   \
    "  --output   the setup file to write. It is written to a temporary file beside it and\n"         \
    "             renamed at the end, so a failed build leaves no output file.\n"                     \
    "  --splash-image  a PNG, GIF or JPEG file (at most 4 MiB) shown while the installer\n"           \
    "             starts: written into the stub's resources (RCDATA 10000). The launcher\n"           \
    "             shows it through the Java runtime's splash library when the project sets\n"         \
    "             splash_screen and splash_through_jre.\n"                                            \
    "\n"                                                                                              \
    "  Project file (a whole one; every part but main_class and the files is optional):\n"            \
    "    file = [{ source = \"dist/app.jar\" }]   # tlx-builder adds tlxruntime.jar from beside it\n" \
    "    [settings]              # by name (see tlx-builder reference) or by key number\n"            \
    "    flavour = \"installer\"   # without it: an application\n"                                    \
    "    main_class = \"com.example.Setup\"\n"                                                        \
    "    min_java_version = \"1.8\"\n"                                                                \
    "    java_search = [{ env = \"JAVA_HOME\" }, { registry = true }]\n"                              \
    "\n"                                                                                              \
    "  Further tables:\n"                                                                             \
    "    [payload]\n"                                                                                 \
    "    check = true            # false: the launcher skips the CRC check\n"                         \
    "    codepage = 1252         # code page of [settings] texts: 1252 (default) or 65001\n"          \
    "    defaults = true         # built-in texts for the messages left out, and derived settings\n"  \
    "    translations = true     # their German, French and Spanish texts (or [\"de\", \"fr\"])\n"    \
    "    [messages]              # id = \"text\"; messages the user sees (any language)\n"            \
    "    1000 = \"Error\"\n"                                                                          \
    "    [[language]]            # overrides of [messages] for one language, in file order\n"         \
    "    code = \"de\"             # \"de\" applies to de, de_AT, ...; \"de_AT\" only to de_AT\n"     \
    "    [language.messages]\n"                                                                       \
    "    20012 = \"Abbrechen\"\n"                                                                     \
    "    [[file]]                # one record per file to extract, in file order\n"                   \
    "    source = \"dist/tlxruntime.jar\"   # relative to the project file, or absolute\n"            \
    "    name = \"tlxruntime.jar\"          # name in the extraction directory (default: the\n"       \
    "                                     # source's file name)\n"                                    \
    "    [trailing]              # optional data behind the records: source = \"file\"\n"             \
    "    text = \"...\"            #   or text = \"...\"\n"                                           \
    "    [version]               # the version resource Explorer shows: product_name,\n"              \
    "    product_version = \"2.5\" #   product_version, file_version, company_name,\n"                \
    "                            #   file_description, legal_copyright\n"                             \
    "\n"                                                                                              \
    "  Defaults and translations are on unless [payload] turns them off (defaults = false\n"          \
    "  stores the project exactly as written). With them the tool adds tlxruntime.jar,\n"             \
    "  shows fatal errors in boxes (launcher_kind 5) and refuses a main_class that is\n"              \
    "  missing, not in dotted form or in none of the jars. A name and a number for the\n"             \
    "  same key, an unknown name (the nearest known one is suggested) and a value of the\n"           \
    "  wrong kind are refused.\n"                                                                     \
    "\n"                                                                                              \
    "  Ids are 32-bit integers written in decimal; \"107\" and \"0107\" are the same id and\n"        \
    "  are refused together. A record name may hold one directory (\"lib/a.jar\", stored\n"           \
    "  as lib\\a.jar); deeper names are refused because the launcher creates only the first\n"        \
    "  directory level. Names that are empty, absolute, with a drive letter,\n"                       \
    "  a \"..\" component, a \";\" or a character Windows forbids, and names that collide when\n"     \
    "  case is ignored, are refused.\n"                                                               \
    "\n"                                                                                              \
    "  Settings 2002 (number of records) and 2003 (record names, each followed by \";\") are\n"       \
    "  written from the [[file]] list. Set them in [settings] only if you know why, for\n"            \
    "  example to ship a record the launcher must not extract (a count smaller than the\n"            \
    "  number of records); the build then warns that they differ from the records.\n"

#define TLX_INSPECT_HELP                                                                        \
    "tlx-builder inspect [--json] [--codepage 1252|65001] SETUP.exe\n"                          \
    "\n"                                                                                        \
    "  Reads a setup file the way the launcher does and prints the stub's bitness, splash\n"    \
    "  image, icon and version resource, where the payload starts,\n"                           \
    "  its header, whether the CRC matches, every setting (with its name), message and\n"       \
    "  language block, the messages the settings make reachable that have no text, each\n"      \
    "  file record with its size and the file offset of its content, and the unextracted\n"     \
    "  position (just behind the last record the launcher extracts). Bytes appended after\n"    \
    "  the build, such as a signature, do not affect the CRC.\n"                                \
    "\n"                                                                                        \
    "  --json      machine-readable output (keys: payload_start, file_size, magic, magic_ok,\n" \
    "              check_flag, crc_expected, crc_computed, crc_ok, verified_length, stub,\n"    \
    "              narrow,\n"                                                                   \
    "              setting_names, wide, languages, missing_texts, records,\n"                   \
    "              unextracted_position, error).\n"                                             \
    "  --codepage  code page the settings were written in (default 1252).\n"                    \
    "\n"                                                                                        \
    "  A damaged file (wrong magic, CRC mismatch, truncated, impossible lengths) is reported\n" \
    "  with the offset where it breaks, and inspect exits with 1.\n"

#define TLX_REFERENCE_HELP                                                                      \
    "tlx-builder reference\n"                                                                   \
    "\n"                                                                                        \
    "  Prints every setting name with its key, the kind of value it takes, what the launcher\n" \
    "  does without it and what it does; then every message with when it is shown and its\n"    \
    "  built-in English text. Markdown tables, as in builder/README.md.\n"

const char* const kBuildUsageText = "Usage: " TLX_BUILD_HELP;
const char* const kInspectUsageText = "Usage: " TLX_INSPECT_HELP;
const char* const kReferenceUsageText = "Usage: " TLX_REFERENCE_HELP;

const char* const kUsageText =
    "tlx-builder: builds tolvanrix setup files and checks them.\n"
    "\n"
    "Usage:\n"
    "  " TLX_BUILD_HELP
    "\n"
    "  " TLX_INSPECT_HELP
    "\n"
    "  " TLX_REFERENCE_HELP
    "\n"
    "Exit codes: 0 success; 1 the setup file is damaged, or writing the output failed;\n"
    "2 bad command line or bad input (project, source file, stub). Errors are one line on\n"
    "standard error that names the file, key or record at fault.\n";
