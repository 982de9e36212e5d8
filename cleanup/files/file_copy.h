// Putting a copy of a companion where the procedure runs it from: the detector tool in the root of
// drive C: for the older systems, the finishing program in the system folder.
#pragma once
#include "cleanup/trust/approved_path.h"
#include "cleanup/trust/judged_file.h"

// Writes a plain copy of the judged file, read from the handle that was judged, to target, a name
// that must not exist afterwards as anything but the copy: what is there goes first by the one
// removal (cleanup/files/removal.h: a link is never written through, nor what it leads to removed). False
// unless the file was trusted, the name was cleared and the copy written whole.
bool CopyJudgedFile(const CJudgedFile& file, const ApprovedPath& target);
