#!/usr/bin/env bash
# Every text of the sources is in each catalogue, translated and not fuzzy, and no catalogue
# keeps a text the sources no longer have: gettext for the parts without Qt, Linguist for
# the window. $1: lupdate.
set -euo pipefail
cd "$(dirname "$0")/../.."
lupdate=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
scripts/po-extract "$work/kestrilo.pot"
status=0
for po in po/*.po; do
  msgmerge --quiet --no-location -o "$work/merged.po" "$po" "$work/kestrilo.pot"
  for kind in untranslated only-fuzzy only-obsolete; do
    # The header counts once whenever anything is listed.
    n=$(msgattrib --$kind --no-location "$work/merged.po" | grep -cE '^(#~ )?msgid ' || true)
    if [ "$n" -gt 1 ]; then
      echo "$po: $kind entries:"; msgattrib --$kind --no-location "$work/merged.po"; status=1
    fi
  done
done
for ts in translations/*.ts; do
  cp "$ts" "$work/check.ts"
  "$lupdate" -silent -locations none src/main src/toolkit -ts "$work/check.ts" >/dev/null
  if grep -nE 'type="(unfinished|obsolete|vanished)"' "$work/check.ts"; then
    echo "$ts: unfinished, obsolete or vanished entries (above)"; status=1
  fi
done
exit $status
