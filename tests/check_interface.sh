#!/bin/sh
# Checks the library's binary interface:
#   check_interface.sh native|win32 LIBRARY [OBJDUMP]
# It must export the members of its classes and nothing else, and the DLL
# must import nothing but system DLLs and the MinGW runtime it ships with.
set -eu
mode=$1
lib=$2
fail=0

case $mode in
native)
  exports=$(nm -D --defined-only "$lib" | awk '{ print $3 }' | c++filt)
  ;;
win32)
  dump=$(${3:-i686-w64-mingw32-objdump} -p "$lib")
  exports=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
            grep -o '_Z[A-Za-z0-9_]*' | c++filt)
  imports=$(printf '%s\n' "$dump" | awk '/DLL Name:/ { print $3 }')
  for dll in $imports; do
    case $(printf '%s' "$dll" | tr 'A-Z' 'a-z') in
    kernel32.dll | user32.dll | comdlg32.dll | shell32.dll | ole32.dll | msvcrt.dll) ;;
    libgcc_s_dw2-1.dll | libgcc_s_seh-1.dll | libwinpthread-1.dll) ;;
    *) echo "unexpected import: $dll"; fail=1 ;;
    esac
  done
  ;;
*)
  echo "usage: $0 native|win32 LIBRARY" >&2
  exit 2
  ;;
esac

stray=$(printf '%s\n' "$exports" | grep -v -E '^CT_(String|Errors|Files|FilesDialog|Help)::' || true)
if [ -n "$stray" ]; then
  echo "exported but not part of the interface:"
  printf '%s\n' "$stray"
  fail=1
fi

for member in \
  'CT_String::CT_String(char const*, unsigned int)' \
  'CT_String::CT_String(CT_String const&)' \
  'CT_String::~CT_String()' \
  'CT_String::operator=(char const*)' \
  'CT_String::operator+=(char const*)' \
  'CT_String::operator+(unsigned int) const' \
  'CT_String::operator==(CT_String) const' \
  'CT_String::operator==(char const*) const' \
  'CT_String::n_GetSize() const' \
  'CT_String::operator[](unsigned int) const' \
  'CT_String::v_ReplaceChar(unsigned short, unsigned short)' \
  'CT_String::i_Search(CT_String, int)' \
  'CT_String::co_GetMid(int, int)' \
  'CT_String::v_Load(HINSTANCE__*, unsigned int, CT_String, char const*)' \
  'CT_String::operator=(HWND__*)' \
  'CT_Errors::v_ThrowError(et_ErrorCode, char const*)' \
  'CT_Errors::v_DisplayError()' \
  'CT_Errors::co_title' \
  'CT_Errors::co_parameter' \
  'CT_Errors::eo_lasterror'; do
  if ! printf '%s\n' "$exports" | grep -q -x -F "$member"; then
    echo "missing export: $member"
    fail=1
  fi
done

[ $fail -eq 0 ] && echo "$(printf '%s\n' "$exports" | wc -l) exports, all of the interface"
exit $fail
