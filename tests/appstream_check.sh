#!/usr/bin/env bash
# Validates an installed tree's AppStream metainfo, alone and beside its desktop
# entry, as the software centres of each Debian release read it.
# Usage: appstream_check.sh ROOT
set -euo pipefail
root=$1
# The maker has no homepage on record and none is made up, so the one warning that
# AppStream 1.0 gives for its absence is kept as a note; older releases know no such
# warning, nor the tag to name it by.
override=(--override=url-homepage-missing=info)
if [[ $(appstreamcli validate --no-net "${override[@]}" /dev/null 2>&1) == *"not recognized"* ]]; then
    override=()
fi
appstreamcli validate --no-net "${override[@]}" "$root"/share/metainfo/*.metainfo.xml
appstreamcli validate-tree --no-net "${override[@]}" "$root"
