// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FolderVisit.h"

#include "browser/FileNames.h"
#include "browser/FileSystemWorker.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

FolderVisit VisitFolder(const FolderVisitRequest& request) {
    FolderVisit visit;
    const auto split = [&](const std::string& text) {
        return request.WholeTextIsFolder
                   ? SplitTypedPath(text.ends_with('/') ? text : text + "/", request.Base)
                   : SplitTypedPath(text, request.Base);
    };
    try {
        try {
            visit.Path = split(request.Text);
        } catch (const std::exception&) {
            if (request.Fallback.empty()) {
                throw;
            }
            visit.Path = SplitTypedPath(JoinPath(request.Fallback, ""), request.Base);
        }
    } catch (...) {
        visit.Failure = std::current_exception();
        return visit;
    }
    if (!visit.Path.File.empty() && !HasWildcards(visit.Path.File)) {
        const std::string file = JoinPath(visit.Path.Dir, visit.Path.File);
        const FileSystemCall call("stat", file);
        struct stat info {};
        visit.FileExists = stat(file.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
    }
    if (request.Subfolders) {
        visit.Subfolders = ListSubdirectories(visit.Path.Dir, true);
    }
    if (request.Files) {
        visit.FilesListed = request.Files;
        visit.Files = ScanFiles(visit.Path.Dir, request.Files->Mask, request.Files->FileType,
                                request.Files->Glyphs, [] {});
    }
    return visit;
}

std::vector<std::string> SubfoldersForVolume(std::vector<std::string> names, bool caseSensitive) {
    if (caseSensitive) {
        return names;
    }
    std::vector<std::string> kept;
    std::string lastFolded;
    for (std::string& name : names) {
        std::string folded = FoldedName(name);
        if (!kept.empty() && folded == lastFolded) {
            continue;
        }
        lastFolded = std::move(folded);
        kept.push_back(std::move(name));
    }
    return kept;
}

PathFacts LookUpPath(const std::string& path) {
    PathFacts facts;
    const FileSystemCall call("stat", path);
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0) {
        facts.Error = path.empty() ? ENOENT : errno;
        return facts;
    }
    facts.Folder = S_ISDIR(info.st_mode);
    facts.PlainFile = S_ISREG(info.st_mode);
    facts.Readable = access(path.c_str(), facts.Folder ? R_OK | X_OK : R_OK) == 0;
    return facts;
}
