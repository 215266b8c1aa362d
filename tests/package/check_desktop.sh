#!/usr/bin/env bash
# Checks what a desktop learns from the .deb in the build tree $1: the menu entry is valid and
# opens a file, the type of Outlook data files is valid for shared-mime-info, and, with both
# put in a scratch data directory as the package's triggers would, a file manager's library
# (GIO) takes .pst and .ost files, and a mailbox without a suffix by its content, for that type
# and offers the menu entry for it. $2 is pellmark-mkpst, which writes the mailbox.
set -euo pipefail
tree=$1
mkpst=$2
type=application/vnd.ms-outlook
for tool in desktop-file-validate:desktop-file-utils update-desktop-database:desktop-file-utils \
            xmllint:libxml2-utils update-mime-database:shared-mime-info gio:libglib2.0-bin; do
  command -v "${tool%%:*}" >/dev/null || { echo "${tool%%:*} is missing: install the Debian package ${tool##*:}"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
dpkg-deb -x "$(ls "$tree"/*.deb)" "$root"
entry=$root/usr/share/applications/pellmark.desktop
types=$root/usr/share/mime/packages/pellmark.xml
status=0
fail() { echo "$*"; status=1; }

validation=$(desktop-file-validate "$entry" 2>&1) || true
[ -z "$validation" ] || fail "desktop-file-validate: $validation"
grep -qx 'Exec=/usr/bin/pellmark %f' "$entry" || fail "the menu entry does not pass the file: $(grep ^Exec= "$entry")"
grep -qx "MimeType=$type;" "$entry" || fail "the menu entry does not name $type"

# Debian's shared-mime-info has its schema only as the DTD inside its own database file.
system=/usr/share/mime/packages/freedesktop.org.xml
sed -n '/^<!DOCTYPE mime-info \[/,/^\]>/p' "$system" | sed '1d;$d' >"$work/mime-info.dtd"
[ -s "$work/mime-info.dtd" ] || fail "no DTD found in $system"
xmllint --noout --dtdvalid "$work/mime-info.dtd" "$types" || fail "pellmark.xml is not valid"
# A type Debian already defines is extended, never defined a second time.
if grep -q "<mime-type type=\"$type\"" "$system"; then fail "$type is Debian's own now: add only globs"; fi

data=$work/share
mkdir -p "$data/mime/packages" "$data/applications" "$work/home"
cp "$types" "$data/mime/packages/"
# GIO shows an entry only when its program exists: here, the unpacked one.
sed "s|^Exec=/usr/bin/|Exec=$root/usr/bin/|" "$entry" >"$data/applications/pellmark.desktop"
export XDG_DATA_DIRS=$data:/usr/share XDG_DATA_HOME=$work/home
messages=$(update-mime-database "$data/mime" 2>&1) || fail "update-mime-database failed"
[ -z "$messages" ] || fail "update-mime-database: $messages"
update-desktop-database "$data/applications" || fail "update-desktop-database failed"

echo '{"store": {"name": "Typed"}, "folders": [{"name": "Inbox"}]}' >"$work/box.json"
"$mkpst" --quiet --from "$work/box.json" "$work/mail.pst"
cp "$work/mail.pst" "$work/offline.ost"
cp "$work/mail.pst" "$work/mailbox"
for file in mail.pst offline.ost mailbox; do
  found=$(gio info -a standard::content-type "$work/$file" | sed -n 's/^ *standard::content-type: //p')
  echo "$file: $found"
  [ "$found" = "$type" ] || fail "$file is taken for $found, not $type"
done
head -c 4096 /dev/zero >"$work/zeros"
found=$(gio info -a standard::content-type "$work/zeros" | sed -n 's/^ *standard::content-type: //p')
[ "$found" != "$type" ] || fail "a file of zeros is taken for $type"
offered=$(LC_ALL=C.UTF-8 LANGUAGE= gio mime "$type" 2>&1) || true
echo "$offered"
grep -q 'pellmark.desktop' <<<"$offered" || fail "the menu entry is not offered for $type"
exit $status
