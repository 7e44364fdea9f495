#include <QtTest>

// An installed copy is laid out as a desktop program and runs from its prefix.
class TestInstall : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void layout_data();
    void layout();
    void runsFromThePrefix();

private:
    QTemporaryDir prefix_;
};

void TestInstall::initTestCase() {
    QVERIFY(prefix_.isValid());
    QProcess install;
    install.start("cmake", {"--install", CARDCHECK_BUILD_DIR, "--prefix", prefix_.path()});
    QVERIFY(install.waitForFinished(60000));
    QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
}

void TestInstall::layout_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("program") << "libexec/cardcheck/cardcheck";
    QTest::newRow("cross") << "libexec/cardcheck/cruz.gif";
    for (int n = 1; n <= 6; ++n)
        QTest::addRow("test %d picture", n) << QStringLiteral("libexec/cardcheck/test%1.jpg").arg(n);
    QTest::newRow("launcher") << "bin/cardcheck";
    QTest::newRow("desktop entry") << "share/applications/cardcheck.desktop";
    QTest::newRow("batch desktop entry") << "share/applications/cardcheck-batch.desktop";
    QTest::newRow("icon") << "share/icons/hicolor/64x64/apps/cardcheck.png";
    QTest::newRow("manual page") << "share/man/man1/cardcheck.1.gz";
    QTest::newRow("ppdev at boot") << "lib/modules-load.d/cardcheck.conf";
}

void TestInstall::layout() {
    QFETCH(QString, path);
    const QFileInfo installed(prefix_.filePath(path));
    QVERIFY2(installed.exists(), qPrintable(installed.filePath()));
    if (path.startsWith("bin/")) {
        QVERIFY(installed.isSymLink());
        QVERIFY(!installed.symLinkTarget().isEmpty() && QFileInfo(installed.symLinkTarget()).isExecutable());
    }
}

// Through the link on the path, the program finds the pictures beside itself: a missing one would
// be reported on standard error.
void TestInstall::runsFromThePrefix() {
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(environment);
    program.start(prefix_.filePath("bin/cardcheck"), {"--auto", "--simulate", "--fault", "roto:0"});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 1);
    QVERIFY(program.readAllStandardOutput().startsWith("SE HA PRODUCIDO UN ERROR\n"));
    const QByteArray errors = program.readAllStandardError();
    QVERIFY2(!errors.contains("imagen"), errors.constData());
}

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
