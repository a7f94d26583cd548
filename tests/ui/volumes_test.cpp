// Which mounts the drive list offers, and which drive a folder lies on.

#include <QTest>

#include "drives.h"
#include "volumes.h"

using namespace quelvane;

class VolumesTest : public QObject {
  Q_OBJECT

 private slots:
  void userMountPoints_data() {
    QTest::addColumn<QByteArray>("mountInfo");
    QTest::addColumn<QStringList>("expected");
    const QByteArray root = "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n";
    QTest::newRow("root on a device") << root << QStringList{"/"};
    QTest::newRow("root on an overlay")
        << QByteArray("1 0 0:50 / / rw - overlay overlay rw,lowerdir=/a\n") << QStringList{"/"};
    QTest::newRow("pseudo file systems")
        << root + "22 27 0:21 / /proc rw - proc proc rw\n"
                  "23 27 0:22 / /sys rw - sysfs sysfs rw\n"
                  "24 27 0:6 / /dev rw - devtmpfs udev rw\n"
                  "25 24 0:23 / /run rw shared:5 - tmpfs tmpfs rw\n"
                  "32 23 0:29 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
        << QStringList{"/"};
    QTest::newRow("devices, shares, optional fields")
        << root + "40 27 8:17 / /home rw shared:1 master:2 - ext4 /dev/sdb1 rw\n"
                  "41 27 8:33 / /media/u/USB\\040Stick rw - vfat /dev/sdc1 rw\n"
                  "42 27 0:60 / /mnt/nas rw - cifs //nas/share rw\n"
                  "43 27 0:61 / /mnt/nfs rw - nfs4 server:/export rw\n"
        << QStringList{"/", "/home", "/media/u/USB Stick", "/mnt/nas", "/mnt/nfs"};
    QTest::newRow("program images left out")
        << root + "50 27 7:0 / /snap/core/1 ro - squashfs /dev/loop0 ro\n" << QStringList{"/"};
    QTest::newRow("a later mount hides an earlier one")
        << root + "40 27 8:17 / /data rw - ext4 /dev/sdb1 rw\n"
                  "44 27 8:18 / /data rw - ext4 /dev/sdb2 rw\n"
        << QStringList{"/", "/data"};
    QTest::newRow("malformed lines skipped") << root + "garbage\n\n" << QStringList{"/"};
  }
  void userMountPoints() {
    QFETCH(QByteArray, mountInfo);
    QFETCH(QStringList, expected);
    const std::vector<QString> points = UserMountPoints(mountInfo);
    QCOMPARE(QStringList(points.begin(), points.end()), expected);
  }

  void folderLiesOnTheLongestMountPoint() {
    const Drives drives({{"/", {}}, {"/home", {}}, {"/home/u/usb", {}}}, "/home/u");
    QCOMPARE(drives.DriveOf("/home/u/usb/books"), 2);
    QCOMPARE(drives.DriveOf("/home/u"), 1);
    QCOMPARE(drives.DriveOf("/home"), 1);
    QCOMPARE(drives.DriveOf("/homework"), 0);
    QCOMPARE(drives.DriveOf("relative"), -1);
    QCOMPARE(drives.CurrentFolder(0), QStringLiteral("/"));
    QCOMPARE(drives.CurrentFolder(1), QStringLiteral("/home/u"));
  }

  void systemVolumesIncludeTheRoot() {
    const std::vector<Volume> volumes = MountedVolumes().Volumes();
    QVERIFY(std::any_of(volumes.begin(), volumes.end(), [](const Volume& v) { return v.mountPoint == "/"; }));
  }
};

QTEST_MAIN(VolumesTest)
#include "volumes_test.moc"
