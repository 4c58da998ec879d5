"""Disc images attached read-only as loop devices, the Linux way of putting
an image in a virtual drive."""

import fcntl
import os
import shutil
import subprocess

# The kernel's ioctl that puts another backing file of the same size under a
# read-only loop device, even while it is held open: a disc changed in a
# drive.
LOOP_CHANGE_FD = 0x4C06


def unavailable():
    """Why loop devices cannot be had here, or None when they can."""
    if os.geteuid() != 0:
        return "not root: attaching loop devices needs root"
    if not os.path.exists("/dev/loop-control"):
        return "no loop support: /dev/loop-control is missing"
    if shutil.which("losetup") is None:
        return "losetup is not installed"
    return None


class Loop:
    """A read-only loop device over an image; detached on exit."""

    def __init__(self, image):
        self.image = image
        self.device = None  # while attached
        self.path = None

    def __enter__(self):
        done = subprocess.run(["losetup", "-r", "-f", "--show", self.image],
                              check=True, capture_output=True, text=True)
        self.device = self.path = done.stdout.strip()
        return self

    def __exit__(self, *exc):
        if self.device:
            subprocess.run(["losetup", "-d", self.device], check=False)
            self.device = None

    @property
    def name(self):
        """The block device name, such as loop3."""
        return os.path.basename(self.path)

    @property
    def drive(self):
        """The plug-in's folder for it, such as loop3:."""
        return self.name + ":"

    def sectors_read(self):
        """512-byte sectors read from the device since it was attached."""
        with open(f"/sys/block/{self.name}/stat") as f:
            return int(f.read().split()[2])

    def swap(self, image):
        """Puts another image of the same size in place of the current
        one."""
        with open(self.path, "rb") as device, open(image, "rb") as new:
            fcntl.ioctl(device.fileno(), LOOP_CHANGE_FD, new.fileno())
        self.image = image

    def diskseq(self):
        """The kernel's count of the media this device has seen."""
        with open(f"/sys/block/{self.name}/diskseq") as f:
            return int(f.read())
