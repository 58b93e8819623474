// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// File managers hand files over as file: URIs, whose path is percent-encoded bytes. They are decoded
// straight to bytes, never through a text type, so a name that is not valid UTF-8 survives.

// The local path that a file: URI names ("file:///p", "file://localhost/p" or "file:/p"); none for
// another scheme, another host or a broken escape. A query or fragment is not part of the path.
std::optional<std::string> LocalPathOfFileUri(std::string_view uri);

// The file: URI of an absolute path: every byte outside the URI's unreserved characters and "/"
// percent-encoded, so the URI is plain ASCII whatever the name holds.
std::string FileUriOfPath(std::string_view path);

// The local paths of a text/uri-list, in order; comment lines and URIs that name no local file are
// left out.
std::vector<std::string> LocalPathsOfUriList(std::string_view list);
