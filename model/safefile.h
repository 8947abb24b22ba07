#pragma once

#include <cstdio>
#include <functional>
#include <string>

/// What writeFileSafely did.
enum class SafeWriteResult {
    Written, ///< every byte reached the destination
    CannotCreate, ///< the file (or its temporary sibling) could not be opened
    WriteFailed, ///< the writer or the final flush failed; an existing file is unchanged
    CannotReplace, ///< everything was written, but the rename into place failed
    LeftIncomplete, ///< written in place, the write failed, and the old bytes could not be
                    ///< put back: the file holds part of the new contents
};

/// Writes a file so that a failure never destroys what the path held before.
/// An absent or regular path is written into a hidden temporary file in the same folder, which
/// takes the old file's permissions (or 0666 less the umask) and is renamed over the path once
/// write returned true and the data is on disk. A symbolic link is followed to its final target,
/// which is replaced the same way, so the link stays a link; a loop of links (or a link to
/// itself) is refused (CannotCreate). Anything else (a device, a FIFO) is opened and written
/// directly, and "-" writes to standard output. The temporary name stays within the folder's
/// name limit whatever the length of the path's. When no temporary file can be made (a folder
/// the user may not write to, a file system without a free inode) but the existing file can be
/// read and written, its bytes are kept in memory and the file is rewritten in place; a failed
/// write puts the old bytes back (WriteFailed), and only when even that fails is the file left
/// incomplete (LeftIncomplete). A file too big to keep in memory is not touched (CannotCreate).
/// While the temporary file exists, or the file is being rewritten in place, every signal whose
/// default action ends the process (and that the program neither handles nor ignores) removes
/// the temporary file, or puts the old bytes back, before the process ends. No temporary file
/// is left behind on any failure.
/// write gets the open stream and returns false when it could not write everything.
SafeWriteResult writeFileSafely(
    const std::string &path, const std::function<bool(std::FILE *)> &write);

/// The target a path finally names after following symbolic links (the path itself when it is
/// no link). A relative link target is taken relative to the link's folder.
std::string followSymbolicLinks(const std::string &path);
