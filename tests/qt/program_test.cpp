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
    // Without any display the program says what to use instead, and fails,
    // in the language of the system.
    void withoutADisplayItNamesTheCommandLineSplitter()
    {
        const struct {
            const char* locale;
            const char* message;
        } runs[] = {
            {"C", "portelan: Kein Bildschirm gefunden. Ohne Desktop teilt portelan-cli Dateien auf.\n"},
            {"en_US.UTF-8", "portelan: No display found. Without a desktop, portelan-cli splits files.\n"}};
        for (const auto& run : runs) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LANGUAGE"})
                environment.remove(QString::fromLatin1(name));
            environment.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(run.locale));
            QProcess program;
            program.setProcessEnvironment(environment);
            program.start(Program(), {});
            QVERIFY(program.waitForFinished(30000));
            QCOMPARE(program.exitStatus(), QProcess::NormalExit);
            QCOMPARE(program.exitCode(), 1);
            QCOMPARE(QString::fromUtf8(program.readAllStandardError()), QString::fromUtf8(run.message));
        }
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
