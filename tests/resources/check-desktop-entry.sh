#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Checks the desktop entry: valid for desktop-file-validate, started with the file it is given, and
# offering only media types that the installed GStreamer plugins take apart. A type offered here that
# nothing can play would make "Open With" fail on files the file manager says we open. Checks the
# AppStream metainfo too: valid for appstreamcli, naming the entry, and offering the entry's types.
# check-desktop-entry.sh ENTRY METAINFO
set -euo pipefail
entry=$1
metainfo=$2

desktop-file-validate "$entry"
appstreamcli validate --no-net --pedantic "$metainfo"
grep -q "<launchable type=\"desktop-id\">$(basename "$entry")</launchable>" "$metainfo" ||
  { echo "$metainfo does not launch $(basename "$entry")" >&2; exit 1; }
entry_types=$(sed -n 's/^MimeType=//p' "$entry" | tr ';' '\n' | sed '/^$/d' | sort)
metainfo_types=$(sed -n 's|^ *<mediatype>\(.*\)</mediatype>$|\1|p' "$metainfo" | sort)
if [[ "$entry_types" != "$metainfo_types" ]]; then
  echo "the entry's and the metainfo's media types differ:" >&2
  diff <(echo "$entry_types") <(echo "$metainfo_types") >&2 || true
  exit 1
fi

exec_line=$(sed -n 's/^Exec=//p' "$entry")
[[ "$exec_line" == "tarnwick %f" ]] || { echo "Exec is '$exec_line', not 'tarnwick %f'" >&2; exit 1; }

# The element that opens each type: a demuxer for containers, a parser for bare streams.
declare -A opener=(
  [video/mpeg]=mpegpsdemux [video/mp2t]=tsdemux
  [video/x-ms-wmv]=asfdemux [video/x-ms-asf]=asfdemux [application/vnd.ms-asf]=asfdemux
  [audio/x-ms-wma]=asfdemux
  [video/x-msvideo]=avidemux
  [video/mp4]=qtdemux [video/quicktime]=qtdemux [video/3gpp]=qtdemux [video/3gpp2]=qtdemux
  [audio/mp4]=qtdemux
  [video/x-matroska]=matroskademux [video/webm]=matroskademux [audio/x-matroska]=matroskademux
  [audio/webm]=matroskademux
  [video/ogg]=oggdemux [video/x-theora+ogg]=oggdemux [audio/ogg]=oggdemux
  [audio/x-vorbis+ogg]=oggdemux [audio/x-opus+ogg]=oggdemux [video/x-ogm+ogg]=oggdemux
  [application/ogg]=oggdemux
  [video/x-flv]=flvdemux [video/dv]=dvdemux
  [audio/mpeg]=mpegaudioparse [audio/aac]=aacparse [audio/flac]=flacparse [audio/x-wav]=wavparse
  [audio/ac3]=ac3parse [audio/x-aiff]=aiffparse
)

types=$(sed -n 's/^MimeType=//p' "$entry" | tr ';' '\n' | sed '/^$/d')
[[ -n "$types" ]] || { echo "no MimeType list" >&2; exit 1; }
status=0
for type in $types; do
  element=${opener[$type]:-}
  if [[ -z "$element" ]]; then
    echo "$type: no element known to open it" >&2
    status=1
  elif ! gst-inspect-1.0 --exists "$element"; then
    echo "$type: $element is not installed" >&2
    status=1
  fi
  if ! grep -q "^$type\$" /usr/share/mime/types && ! grep -q "^$type " /usr/share/mime/aliases; then
    echo "$type: not a type shared-mime-info knows" >&2
    status=1
  fi
done
exit $status
