#pragma once
// What sets the file systems of USB sticks and SD cards apart, told by the
// type statfs reports for a file.

#include <linux/magic.h>

namespace quelvane {

// FAT32 and its kin (vfat, msdos): attributes of their own.
inline bool IsFat(long type) { return type == MSDOS_SUPER_MAGIC; }

// FAT32, exFAT, and either of them or NTFS through FUSE (exfat-fuse,
// ntfs-3g). Two things hold there that do not on ext4:
// - A rename reaches the disk with the renamed file rather than with its
//   folder, and a replaced file's clusters are freed once it is closed: on
//   vfat the entry of the replaced name is rewritten only when the renamed
//   file itself is written back, so a folder flush alone can leave that
//   entry pointing at clusters already freed.
// - Times cannot prove that a file is unchanged: FAT keeps them in 2-second
//   steps, exFAT in 10 milliseconds.
inline bool IsStickFileSystem(long type) {
  return type == MSDOS_SUPER_MAGIC || type == EXFAT_SUPER_MAGIC || type == FUSE_SUPER_MAGIC;
}

}  // namespace quelvane
