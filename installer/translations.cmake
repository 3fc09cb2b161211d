# cmake -DSOURCE=DIR -DSTAGE=DIR -DOUT=FILE -P translations.cmake: copies the translations folder
# of the source tree (which may be missing or empty) to STAGE/translations and writes the
# installer fragment for it (component group "Translations", a wixl source of its own, with
# sources relative to STAGE):
#   languages.txt   one language a line, in index order: NAME|FILE|DEFAULT FONT|FONT, FILE being
#                   relative to the installation folder (e.g. Translations\English.txt); lines
#                   that are empty or start with # are skipped. Written as the values
#                   Language<n>, TranslationFile<n>, TranslationDefaultFont<n>, TranslationFont<n>.
#   fonts/          font files the languages name, installed into the system's fonts folder.
#   anything else   installed below Translations\ of the installation folder, folders kept
#                   (e.g. Manuals\<Language>\index.html).
# -DFONTS=FILE|FILE... adds font files from outside the source tree (the faces of Debian's font
# packages), staged and installed as those of fonts/ are.
function(escaped out text)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  string(REPLACE "\"" "&quot;" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Registry text of the installer is formatted: brackets would be read as properties.
function(formatted out text)
  string(REGEX REPLACE "([][])" "[\\\\\\1]" text "${text}")
  escaped(text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Identifiers of the package: letters, digits, underscores and dots, unique by path.
function(identifier out prefix path)
  string(MD5 hash "${path}")
  string(SUBSTRING ${hash} 0 12 hash)
  set(${out} "${prefix}_${hash}" PARENT_SCOPE)
endfunction()

# A font file staged as translations/fonts/NAME: installed into the system's fonts folder and
# listed among the system's fonts.
macro(font_component file)
  identifier(id f "${file}")
  get_filename_component(name "${file}" NAME)
  get_filename_component(face "${file}" NAME_WE)
  escaped(xml_name "${name}")
  escaped(source "translations/${file}")
  formatted(face "${face}")
  formatted(font_file "${name}")
  string(APPEND fonts "      <Component Id=\"${id}\" Guid=\"*\" Win64=\"yes\">\n"
    "        <File Id=\"${id}\" Name=\"${xml_name}\" Source=\"${source}\" KeyPath=\"yes\"/>\n"
    "        <RegistryValue Root=\"HKLM\" Key=\"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts\" Name=\"${face} (TrueType)\" Type=\"string\" Value=\"${font_file}\"/>\n"
    "      </Component>\n")
  string(APPEND components "      <ComponentRef Id=\"${id}\"/>\n")
endmacro()

set(components "")
set(body "")
set(language_values "")

if(EXISTS ${SOURCE}/languages.txt)
  file(STRINGS ${SOURCE}/languages.txt lines ENCODING UTF-8)
  set(index 0)
  foreach(line IN LISTS lines)
    if(line STREQUAL "" OR line MATCHES "^#")
      continue()
    endif()
    string(REPLACE "|" ";" fields "${line}")
    list(LENGTH fields count)
    if(NOT count EQUAL 4)
      message(FATAL_ERROR "languages.txt: NAME|FILE|DEFAULT FONT|FONT expected, not: ${line}")
    endif()
    set(n 0)
    foreach(name Language TranslationFile TranslationDefaultFont TranslationFont)
      list(GET fields ${n} value)
      formatted(value "${value}")
      string(APPEND language_values
        "        <RegistryValue Root=\"HKLM\" Key=\"Software\\Kavix\\Kavix Tessel\" Name=\"${name}${index}\" Type=\"string\" Value=\"${value}\"/>\n")
      math(EXPR n "${n} + 1")
    endforeach()
    math(EXPR index "${index} + 1")
  endforeach()
endif()
if(language_values)
  string(APPEND body "    <DirectoryRef Id=\"INSTALLDIR\">\n"
    "      <Component Id=\"Languages\" Guid=\"*\" Win64=\"yes\">\n${language_values}      </Component>\n"
    "    </DirectoryRef>\n")
  string(APPEND components "      <ComponentRef Id=\"Languages\"/>\n")
endif()

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${SOURCE} ${SOURCE}/*)
list(SORT files)
set(fonts "")
set(tree "")
set(open_dirs "")  # the folders of the previous file, as a list
foreach(file IN LISTS files)
  if(file STREQUAL "languages.txt")
    continue()
  endif()
  identifier(id f "${file}")
  get_filename_component(name "${file}" NAME)
  escaped(xml_name "${name}")
  escaped(source "translations/${file}")
  get_filename_component(stage_dir "${STAGE}/translations/${file}" DIRECTORY)
  file(COPY "${SOURCE}/${file}" DESTINATION "${stage_dir}")
  if(file MATCHES "^fonts/[^/]+$")
    font_component("${file}")
    continue()
  endif()
  # Close the folders the previous file was in that this one is not, then open this one's.
  get_filename_component(dir "${file}" DIRECTORY)
  if(dir STREQUAL "")
    set(dirs "")
  else()
    string(REPLACE "/" ";" dirs "${dir}")
  endif()
  list(LENGTH open_dirs open_count)
  list(LENGTH dirs count)
  set(common 0)
  while(common LESS open_count AND common LESS count)
    list(GET open_dirs ${common} a)
    list(GET dirs ${common} b)
    if(NOT a STREQUAL b)
      break()
    endif()
    math(EXPR common "${common} + 1")
  endwhile()
  while(open_count GREATER common)
    string(APPEND tree "        </Directory>\n")
    math(EXPR open_count "${open_count} - 1")
  endwhile()
  set(path "")
  set(i 0)
  foreach(d IN LISTS dirs)
    string(APPEND path "/${d}")
    if(i GREATER_EQUAL common)
      identifier(dir_id d "${path}")
      escaped(d "${d}")
      string(APPEND tree "        <Directory Id=\"${dir_id}\" Name=\"${d}\">\n")
    endif()
    math(EXPR i "${i} + 1")
  endforeach()
  set(open_dirs "${dirs}")
  string(APPEND tree "        <Component Id=\"${id}\" Guid=\"*\" Win64=\"yes\">\n"
    "          <File Id=\"${id}\" Name=\"${xml_name}\" Source=\"${source}\" KeyPath=\"yes\"/>\n"
    "        </Component>\n")
  string(APPEND components "      <ComponentRef Id=\"${id}\"/>\n")
endforeach()
if(FONTS)
  string(REPLACE "|" ";" extra_fonts "${FONTS}")
  foreach(font IN LISTS extra_fonts)
    get_filename_component(name "${font}" NAME)
    if(EXISTS "${SOURCE}/fonts/${name}")
      message(FATAL_ERROR "translations.cmake: ${name} is in fonts/ and among FONTS")
    endif()
    file(COPY "${font}" DESTINATION "${STAGE}/translations/fonts")
    font_component("fonts/${name}")
  endforeach()
endif()
list(LENGTH open_dirs open_count)
while(open_count GREATER 0)
  string(APPEND tree "        </Directory>\n")
  math(EXPR open_count "${open_count} - 1")
endwhile()
if(tree)
  string(APPEND body "    <DirectoryRef Id=\"INSTALLDIR\">\n      <Directory Id=\"TranslationsDir\" Name=\"Translations\">\n"
    "${tree}      </Directory>\n    </DirectoryRef>\n")
endif()
if(fonts)
  string(APPEND body "    <DirectoryRef Id=\"FontsFolder\">\n${fonts}    </DirectoryRef>\n")
endif()

file(WRITE ${OUT}.tmp "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
  "<!-- Made at build time from the translations folder; do not edit. -->\n"
  "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\n  <Fragment>\n${body}"
  "    <ComponentGroup Id=\"Translations\">\n${components}    </ComponentGroup>\n  </Fragment>\n</Wix>\n")
file(RENAME ${OUT}.tmp ${OUT})
