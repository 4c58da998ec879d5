#!/usr/bin/env python3
"""Writes the Linux release archive: every plug-in and their readme in a
folder xdvdfs/. Called by tools/package.

Usage: tools/linux-package.py ARCHIVE VERSION PLUGIN ARCHIVE_PLUGIN
                              CONTENT_PLUGIN"""

import io
import os
import sys
import tarfile
import time

README = """\
Xbox DVD Filesystem plug-ins {version} for Linux (x86-64)

Three plug-ins for Double Commander that read the Xbox DVD Filesystem
(XDVDFS). The archive plug-in, xdvdfs.wcx, opens image files in place
(.xiso, .iso): press Enter on one and its folders appear, F5 copies out.
It needs no root. The content plug-in, xdvdfs.wdx, shows which game an
image holds as columns. The file-system plug-in, xdvdfs.wfx, reads discs
straight from a CD/DVD drive, and disc images attached as loop devices.
All need only the C and C++ runtimes of Debian 12 or newer.

What they write
  The file-system plug-in never writes to a disc. The archive plug-in
  packs new images (Alt+F5), adds and replaces files in an image (F5 into
  it) and deletes from one (F8); each edit writes a new image beside the
  old one and renames it into place only when complete, so a failure or a
  cancel leaves the old image as it was.

Opening image files in place (xdvdfs.wcx)
  In Double Commander open Configuration > Options > Plugins > Plugins WCX,
  press Add, choose xdvdfs.wcx and give it the extension xiso. Keep the
  flags it reports (79: pack, modify, several files, delete, by content).
  Then:
    - Enter on a .xiso file opens it.
    - Ctrl+PgDn on any other file (game.iso, game.img) asks the plug-in
      whether it holds an Xbox file system and opens it if so.
  Why not the extension iso: Double Commander gives Enter on every file of
  a registered extension to the plug-in without asking it. Most .iso files
  are ordinary CD/DVD images, which this plug-in cannot open: they would
  get an error box instead of opening as they did before. By content, the
  plug-in looks only at the four places where an Xbox file system starts,
  with one small read each.
  Plain game images and whole-disc images (XGD1, XGD2, XGD3) both open.
  Every entry gets the disc's time (2001-01-01 when it has none); names
  that a hostile image could use to write outside the target folder ("..",
  names with "/" or "\\" or control characters) are left out.

Which game an image holds (xdvdfs.wdx)
  In Double Commander open Configuration > Options > Plugins >
  Plugins WDX, press Add and choose xdvdfs.wdx; keep the detect string it
  reports.
  Its fields are Title, Title ID, Region, Disc, Version and Platform, read
  from the certificate of the disc's default.xbe (or, for discs of the
  console's successor, Title ID, Version and Disc from default.xex):
    - Columns: Configuration > Options > Files views > Columns > Custom
      columns, add a column and pick Plugins > xdvdfs > Title.
    - Multi-Rename (Ctrl+M): a mask such as
      [=Plugin(xdvdfs).Title{{}}] ([=Plugin(xdvdfs).Title ID{{}}])
      names each image after its game.
    - Find files (Alt+F7), tab Plugins: xdvdfs, Title, contains, a word.
  The detect string offers the plug-in only files ending in .iso, .xiso,
  .img or .bin larger than 66 KiB, so that ordinary files are never
  opened. An image named otherwise shows empty columns: rename it, or
  widen the detect string in that dialog.
  The file-system plug-in gives the same fields for each drive of its
  root: pick a custom columns set made for the file system "Xbox DVD
  Filesystem" (right-click the column header inside the plug-in).

Adding the file-system plug-in to Double Commander
  1. Unpack this archive anywhere you keep programs, for example
     ~/.local/lib/xdvdfs/.
  2. In Double Commander open Configuration > Options > Plugins >
     Plugins WFX, press Add and choose xdvdfs.wfx. It is listed as
     "Xbox DVD Filesystem". Press OK.
  3. Open the list of virtual file systems (the "//" button at the top of a
     panel) and open "Xbox DVD Filesystem".

What it shows
  Every CD/DVD drive is a folder named after its device (sr0:, sr1:, ...),
  and so is every loop device holding a disc image (loop0:, loop1:, ...).
  Only loop devices whose image file's name ends in .iso or .xiso are
  shown, in any letter case; the loop devices of other software stay out.
  Plain game images and whole-disc images (dumps of a whole pressed disc)
  both work. Open one to browse the disc's folders, and copy files and
  folders out to a local folder with F5. A drive without a disc, or with a disc that is no
  Xbox disc, shows a message when opened.

  The format keeps one time per disc, in its volume descriptor: every entry
  is listed with that time, and copies get it. When a disc has none, or one
  before 1980 or after 2099, entries are listed as 2001-01-01 00:00 UTC.
  (Double Commander 1.0 cannot copy files listed without a time.)

Attaching an image
  Attaching an image needs root, or a desktop session that udisks lets do
  it. Reading the device then needs read access to it.

  Without root, in a desktop session (udisks2, as desktops have it):
      udisksctl loop-setup --read-only --file game.iso
  prints the device, such as /dev/loop0, which udisks gives to you.
  Detach it with:
      udisksctl loop-delete --block-device /dev/loop0

  With root:
      sudo losetup --read-only --find --show game.iso
  prints the device, such as /dev/loop0. It belongs to root and the group
  disk, so a normal user cannot read it yet. Either give yourself that one
  device until it is detached:
      sudo chown "$USER" /dev/loop0
  or join the group disk (sudo adduser "$USER" disk, then log in again).
  Mind that the group disk may read every disk of the machine, so prefer
  the first. Detach the image with:
      sudo losetup --detach /dev/loop0

CD/DVD drives
  A drive is /dev/sr0 and so on, which belongs to the group cdrom. Users of
  that group read it without root; to join it, run
  sudo adduser "$USER" cdrom and log in again.

Files
  xdvdfs.wcx    the archive plug-in: image files opened in place
  xdvdfs.wfx    the file-system plug-in: drives and loop devices
  xdvdfs.wdx    the content plug-in: which game an image holds
  readme.txt    this file
"""


def add(archive, name, data, mode):
    info = tarfile.TarInfo("xdvdfs/" + name)
    info.size = len(data)
    info.mode = mode
    info.mtime = int(time.time())
    archive.addfile(info, io.BytesIO(data))


def main(argv):
    if len(argv) != 6:
        print(__doc__, file=sys.stderr)
        return 2
    path, version, *plugins = argv[1:]
    temporary = path + ".tmp"
    with tarfile.open(temporary, "w:gz") as archive:
        for plugin in plugins:
            with open(plugin, "rb") as f:
                add(archive, os.path.basename(plugin), f.read(), 0o755)
        add(archive, "readme.txt",
            README.format(version=version).encode("ascii"), 0o644)
    os.replace(temporary, path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
