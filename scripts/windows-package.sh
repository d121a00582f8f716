#!/usr/bin/env bash
# make windows-package: the Windows installer OUT/kelvox-setup-VERSION-x64.msi (in place of any
# earlier one there) from a dist folder (what `make windows-dist` lays out: kelvox-setup.exe and
# everything it loads), built by Debian's wixl from packaging/windows/kelvox-setup.wxs. Every
# file of the folder goes in: wixl-heat lists them at build time. VERSION defaults to the
# project's version in CMakeLists.txt.
# The MSI is then checked: wixl must build it without a word of warning (it reports what it does
# not know in the source only as a warning), and msiinfo must show every file of the folder at its
# place with its size, the version, the upgrade code, the shortcut and the 64-bit install folder.
#   scripts/windows-package.sh DIST OUT [VERSION]
set -euo pipefail
dist=$(realpath -m "$1") out=$(realpath -m "$2")
cd "$(dirname "$0")/.."
version=${3:-$(sed -n 's/^project([^)]* VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)}
upgrade_code='{6C1E4F0B-7A52-4D8E-9B3F-2E5A8D41C7B6}'
msi=
fail() {
  echo "windows-package: $*" >&2
  [ -z "$msi" ] || rm -f "$msi"
  exit 1
}
[[ "$version" =~ ^[0-9]{1,3}\.[0-9]{1,3}\.[0-9]{1,5}$ ]] || fail "'$version' is no x.y.z version"
[ -f "$dist/kelvox-setup.exe" ] || fail "$dist holds no kelvox-setup.exe (make windows-dist lays it out)"
scripts/install-deps.sh wixl msitools librsvg2-bin icoutils

msi="$out/kelvox-setup-$version-x64.msi"
work="$out/wix"
rm -rf "$work" "$out"/kelvox-setup-*-x64.msi
mkdir -p "$work"

scripts/svg-to-ico.sh packaging/kelvox-setup.svg "$work/kelvox-setup.ico"
# Component ids and GUIDs follow from each file's path, so they stay the same from one version
# to the next, as upgrades in place need. wixl-heat draws folder ids at random: they are replaced
# by ids that follow from the folder's path too.
(cd "$dist" && find . -type f | LC_ALL=C sort) |
  wixl-heat -p ./ --directory-ref INSTALLDIR --component-group ProgramFiles --var var.DistDir --win64 \
    >"$work/program-files.wxs"
folder_paths=$(awk '
  /<Directory / { match($0, /Id="[^"]*"/); id = substr($0, RSTART + 4, RLENGTH - 5)
                  match($0, /Name="[^"]*"/); path[++depth] = path[depth - 1] "/" substr($0, RSTART + 6, RLENGTH - 7)
                  print id "\t" path[depth] }
  /<\/Directory>/ { depth-- }' "$work/program-files.wxs")
while IFS=$'\t' read -r id path; do
  sed -i "s/\"$id\"/\"dir$(echo -n "$path" | md5sum | cut -c1-32)\"/" "$work/program-files.wxs"
done <<<"$folder_paths"
# Every folder of the program, the install folder too, gets a component that removes it on
# uninstall (wixl's RemoveFolder acts on its own component's folder). Each is kept by a registry
# value, with a GUID that follows from the folder's id, and so from its path.
folder_component() {
  local guid
  guid=$(echo -n "kelvox-setup folder $1" | md5sum | sed 's/^\(.\{8\}\)\(.\{4\}\)\(.\{4\}\)\(.\{4\}\)\(.\{12\}\).*/\1-\2-\3-\4-\5/')
  cat <<XML
    <DirectoryRef Id="$1">
      <Component Id="folder_$1" Guid="$guid" Win64="yes">
        <RegistryValue Root="HKLM" Key="Software\KELVOX Setup\Folders" Name="$1" Type="integer" Value="1" KeyPath="yes"/>
        <RemoveFolder Id="remove_$1" On="uninstall"/>
      </Component>
    </DirectoryRef>
XML
}
mapfile -t folders < <(echo INSTALLDIR; sed -n 's/.*<Directory Id="\([^"]*\)".*/\1/p' "$work/program-files.wxs")
{
  echo '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi"><Fragment>'
  for id in "${folders[@]}"; do folder_component "$id"; done
  echo '    <ComponentGroup Id="ProgramFolders">'
  printf '      <ComponentRef Id="folder_%s"/>\n' "${folders[@]}"
  echo '    </ComponentGroup>'
  echo '</Fragment></Wix>'
} >"$work/program-folders.wxs"
# wixl takes only relative paths for the files it packs: it runs in the work folder, where "dist"
# leads to the dist folder.
ln -s "$dist" "$work/dist"
if ! (cd "$work" && wixl -a x64 -D Version="$version" -D DistDir=dist -D IconFile=kelvox-setup.ico -D Win64=yes \
  -o "$(basename "$msi")" "$OLDPWD/packaging/windows/kelvox-setup.wxs" program-files.wxs program-folders.wxs) \
  2>"$work/wixl.log"; then
  cat "$work/wixl.log" >&2
  fail "wixl failed"
fi
[ ! -s "$work/wixl.log" ] || { cat "$work/wixl.log" >&2; fail "wixl warned"; }
mv "$work/$(basename "$msi")" "$msi"
# The install folder on the system PATH, put there on install and taken off on uninstall ("=-",
# "*" the system's variables), by the component CommandPath: wixl has no Environment element, so
# the table and its two standard actions are added here. ";[~]" puts it in front of what PATH
# held: uninstalling then takes the folder off with the separator after it, and leaves PATH as it
# was. Appended ("[~];" in front), Wine's uninstall takes the folder off but leaves the separator
# before it, and the next install makes that an empty entry, after which Wine's cmd runs no bare
# command name at all. Windows looks for a DLL in its own folders before any folder on PATH, so
# the folder in front hides no system DLL from other programs; only a program that finds MinGW's
# or Qt's DLLs through PATH alone would meet these first.
msibuild "$msi" \
  -q 'CREATE TABLE `Environment` (`Environment` CHAR(72) NOT NULL, `Name` CHAR(255) NOT NULL LOCALIZABLE, `Value` CHAR(255) LOCALIZABLE, `Component_` CHAR(72) NOT NULL PRIMARY KEY `Environment`)' \
  -q "INSERT INTO \`Environment\` (\`Environment\`, \`Name\`, \`Value\`, \`Component_\`) VALUES ('CommandPath', '=-*PATH', '[INSTALLDIR];[~]', 'CommandPath')" \
  -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('RemoveEnvironmentStrings', 3100)" \
  -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('WriteEnvironmentStrings', 5200)" ||
  fail "msibuild could not add the PATH entry"

# The checks, on the MSI's own tables.
# (In the work folder: exporting a table with pictures writes them out as files.)
table() { (cd "$work" && msiinfo export "$msi" "$1") | tr -d '\r' | tail -n +4; }
property() { table Property | awk -F'\t' -v p="$1" '$1 == p { print $2 }'; }
expect() { [ "$2" = "$3" ] || fail "$1: '$2', expected '$3'"; }
summary=$(msiinfo suminfo "$msi")
expect "platform and language" "$(sed -n 's/^Template: //p' <<<"$summary")" 'x64;1033'
expect "version" "$(property ProductVersion)" "$version"
expect "upgrade code" "$(property UpgradeCode)" "$upgrade_code"
expect "per-machine install" "$(property ALLUSERS)" 1
expect "publisher" "$(property Manufacturer)" "KELVOX setup program developers"
expect "icon under installed programs" "$(table Icon | cut -f1)" "$(property ARPPRODUCTICON)"
expect "install folder" "$(table Directory | awk -F'\t' '$1 == "INSTALLDIR" { print $2 "\\" $3 }')" \
  'ProgramFiles64Folder\KELVOX Setup'
expect "major upgrade" "$(table Upgrade | cut -f1 | sort -u)" "$upgrade_code"
expect "shortcut" "$(table Shortcut | cut -f2,3,5)" $'ProgramMenuFolder\tKELVOX Setup\t[INSTALLDIR]kelvox-setup.exe'
subsystem() { x86_64-w64-mingw32-objdump -p "$dist/$1" | awk '$1 == "Subsystem" { print $2 }'; }
expect "kelvox-setup.exe a window program" "$(subsystem kelvox-setup.exe)" 00000002
expect "kelvox-setup.com a console program" "$(subsystem kelvox-setup.com)" 00000003
expect "command path" "$(table Environment | cut -f2,3,4)" $'=-*PATH\t[INSTALLDIR];[~]\tCommandPath'
expect "PATH actions" "$(table InstallExecuteSequence | awk -F'\t' '$1 ~ /EnvironmentStrings$/ { print $1 "@" $3 }' | sort | paste -sd' ')" \
  'RemoveEnvironmentStrings@3100 WriteEnvironmentStrings@5200'
[ -z "$(table Component | awk -F'\t' '!(int($4 / 256) % 2)')" ] || fail "a component is not 64-bit"

# Every file at its place below the install folder with its size: the File table joined with
# the Component and Directory tables, beside the dist folder.
inside=$(
  { table Directory | sed 's/^/D\t/'; table Component | sed 's/^/C\t/'; table File | sed 's/^/F\t/'; } |
    awk -F'\t' '
      $1 == "D" { parent[$2] = $3; name[$2] = $4; sub(/.*\|/, "", name[$2]) }
      $1 == "C" { folder[$2] = $4 }
      $1 == "F" { file[$2] = $4; size[$2] = $5; component[$2] = $3 }
      function path(d) {
        if (d == "INSTALLDIR") return ""
        if (!(d in parent)) return "(outside the install folder)/"
        return path(parent[d]) (name[d] == "." ? "" : name[d] "/")
      }
      END { for (f in file) print path(folder[component[f]]) file[f] "\t" size[f] }' | LC_ALL=C sort)
expected=$(cd "$dist" && find . -type f -printf '%P\t%s\n' | LC_ALL=C sort)
[ "$inside" = "$expected" ] ||
  fail "the MSI's files differ from $dist:"$'\n'"$(diff <(echo "$expected") <(echo "$inside"))"

echo "$msi: $(du -h "$msi" | cut -f1), version $version, $(wc -l <<<"$inside") files:"
awk '{ print "  " $0 }' <<<"$inside"
