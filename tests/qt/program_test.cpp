// The built program `portelan` itself, started as a user starts it.
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

namespace portelan::qt::test {

class ProgramTest : public QObject {
    Q_OBJECT

    static QString Program()
    {
        return qEnvironmentVariable("PORTELAN_BIN_DIR") + QStringLiteral("/portelan");
    }

  private slots:
    // Without any display the program says what to use instead, and fails.
    void withoutADisplayItNamesTheCommandLineSplitter()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(Program(), {});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        QCOMPARE(
            QString::fromUtf8(program.readAllStandardError()),
            QString::fromUtf8("portelan: Kein Bildschirm gefunden. Ohne Desktop teilt portelan-cli Dateien "
                              "auf.\n"));
    }

    // On a display its main window comes up and stays until it is closed.
    void onADisplayItShowsItsWindow()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(Program(), {});
        QVERIFY(program.waitForStarted(30000));
        // Still running after a while: the window waits for its user.
        QVERIFY(!program.waitForFinished(2000));
        program.terminate();
        QVERIFY(program.waitForFinished(30000));
    }
};

} // namespace portelan::qt::test

QTEST_MAIN(portelan::qt::test::ProgramTest)
#include "program_test.moc"
