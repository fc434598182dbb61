#include "engine/deviceinfo.h"

#include <QtTest>

class TestDeviceInfo : public QObject
{
    Q_OBJECT

private slots:
    void texts_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("hardware");
        QTest::addColumn<QString>("software");
        QTest::addColumn<QString>("uid");

        QTest::newRow("parallel gripper")
            << QByteArray::fromHex("2701" "0102" "0217" "1234" "abcd" "0003")
            << "39.1" << "1.2.3" << "2.23" << "ABCD1234";
        QTest::newRow("bytes are unsigned in the key, signed in versions")
            << QByteArray::fromHex("ff0a" "ff80" "fe01" "0000" "0000" "00ff")
            << "255.10" << "-1.-128.-1" << "-2.1" << "00000000";
        QTest::newRow("short block counts the missing bytes as zero")
            << QByteArray::fromHex("5201" "03") << "82.1" << "3.0.0" << "0.0" << "00000000";
        QTest::newRow("empty block") << QByteArray() << "0.0" << "0.0.0" << "0.0" << "00000000";
    }

    void texts()
    {
        QFETCH(QByteArray, block);
        const DeviceInfo info = DeviceInfo::fromBlock(block);
        QTEST(info.modelKey, "key");
        QTEST(info.hardwareVersion, "hardware");
        QTEST(info.softwareVersion, "software");
        QTEST(info.uniqueId, "uid");
    }

    void fullForceRange_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("2.23 qualifies in single precision") << "2.23" << true;
        QTest::newRow("2.22") << "2.22" << false;
        QTest::newRow("3.0") << "3.0" << true;
        QTest::newRow("2.3") << "2.3" << true;
        QTest::newRow("2.2") << "2.2" << false;
        QTest::newRow("not a number") << "x" << false;
    }

    void fullForceRange()
    {
        QFETCH(QString, version);
        QTEST(softwareVersionHasFullForceRange(version), "enabled");
    }

    void modelLabel()
    {
        QCOMPARE(modelLabelFor("TQP2-51500A"), QString("TQP2-51500"));
        QCOMPARE(modelLabelFor("TQP2-51500"), QString("TQP2-51500"));
        QCOMPARE(modelLabelFor("Grivant"), QString("Grivant"));
    }
};

QTEST_APPLESS_MAIN(TestDeviceInfo)
#include "tst_deviceinfo.moc"
