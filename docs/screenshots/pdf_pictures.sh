#!/usr/bin/env bash
# The pdf-*.png pictures: three items of pdf-examples.json (a plain text mail with an
# attachment, an HTML newsletter with a style sheet, columns, a table and two inline images, a
# Japanese, Chinese and Korean mail), each as page 1 of its PDF (left) beside headless
# Chromium's rendering of the .html export of the same item (right).
#   docs/screenshots/pdf_pictures.sh BUILD_DIR     (needs poppler-utils, chromium, imagemagick)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?BUILD_DIR}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tools/mkpst/pellmark-mkpst" --from "$here/pdf-examples.json" "$work/examples.pst" --quiet
"$build/src/cli/pellmark-export" -q -f pdf --page-size a4 "$work/examples.pst" "$work/pdf" >/dev/null
"$build/src/cli/pellmark-export" -q -f html "$work/examples.pst" "$work/html" >/dev/null
inbox="Converted Outlook PST/PDF examples/Inbox"
for pair in "Quarterly numbers:plain-text" "Spring newsletter:html-newsletter" "会議の件:cjk"; do
  subject=${pair%%:*} name=${pair#*:}
  pdf=$(find "$work/pdf/$inbox" -name "$subject*.pdf")
  html=$(find "$work/html/$inbox" -name "$subject*.html")
  pdftoppm -r 70 -png -f 1 -l 1 -singlefile "$pdf" "$work/$name-pdf"
  chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=700,820 \
    --screenshot="$work/$name-html.png" "file://$html" >/dev/null 2>&1
  convert "$work/$name-pdf.png" -bordercolor '#888' -border 1 "$work/$name-html.png" \
    -bordercolor '#888' -border 1 -background white -gravity north +append -resize 1100x \
    -colors 128 "$here/pdf-$name.png"
done
