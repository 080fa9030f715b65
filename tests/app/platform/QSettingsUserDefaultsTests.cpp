#include "Tallowin/platform/QSettingsUserDefaults.h"

#include "tests/app/support/AppTestSupport.h"
#include "tests/support/TemporaryFolder.h"

#include <QSettings>
#include <QTest>

#include <memory>

using namespace tallowin;
using namespace tallowin::test;

class QSettingsUserDefaultsTests : public QObject
{
    Q_OBJECT

private:
    // Every QSettings of this process writes under a temporary folder, never the user's own preferences.
    TemporaryFolder m_configuration;
    std::unique_ptr<ScopedEnvironmentVariable> m_configHome;

private slots:
    void initTestCase()
    {
        m_configHome = std::make_unique<ScopedEnvironmentVariable>(
            "XDG_CONFIG_HOME", QByteArray::fromStdString(m_configuration.root().native()));
        QSettings::setPath(
            QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(m_configuration.root().string()));
    }

    void cleanupTestCase() { m_configHome.reset(); }

    void valuesSurviveIntoTheNextRunUnderTheTallowinName()
    {
        {
            QSettingsUserDefaults defaults;
            defaults.setString(QString::fromUtf8(UserDefaults::filePathKey), QStringLiteral("/home/anna/Tallowin.md"));
            defaults.setData(QString::fromUtf8(UserDefaults::fileBookmarkKey), QByteArray("/home/anna/Tallowin.md"));
        }
        QVERIFY(std::filesystem::exists(m_configuration.path("Tallowin/Tallowin.conf")));

        const QSettingsUserDefaults reopened;
        QCOMPARE(reopened.string(QString::fromUtf8(UserDefaults::filePathKey)),
            std::optional<QString>(QStringLiteral("/home/anna/Tallowin.md")));
        QCOMPARE(reopened.data(QString::fromUtf8(UserDefaults::fileBookmarkKey)),
            std::optional<QByteArray>("/home/anna/Tallowin.md"));
    }

    void valuesAreWrittenAtOnce()
    {
        QSettingsUserDefaults defaults;
        defaults.setString(QStringLiteral("Written"), QStringLiteral("now"));
        // Another reader of the file sees it while the first object is still alive.
        const QSettings file(
            QString::fromStdString(m_configuration.path("Tallowin/Tallowin.conf").string()), QSettings::IniFormat);
        QCOMPARE(file.value(QStringLiteral("Written")).toString(), QStringLiteral("now"));
    }

    void bytesAndTextComeBackUnchanged()
    {
        const QByteArray bytes("/tmp/caf\xe9\x00tail.md", 16);
        const QString text = QStringLiteral("/home/anna/Café ✓/Tallowin.md");
        {
            QSettingsUserDefaults defaults;
            defaults.setData(QStringLiteral("Bytes"), bytes);
            defaults.setString(QStringLiteral("Text"), text);
        }
        const QSettingsUserDefaults reopened;
        QCOMPARE(reopened.data(QStringLiteral("Bytes")), std::optional<QByteArray>(bytes));
        QCOMPARE(reopened.string(QStringLiteral("Text")), std::optional<QString>(text));
    }

    void missingKeysReadAsNothing()
    {
        const QSettingsUserDefaults defaults;
        QCOMPARE(defaults.string(QStringLiteral("NeverWritten")), std::nullopt);
        QCOMPARE(defaults.data(QStringLiteral("NeverWritten")), std::nullopt);
    }
};

QTEST_MAIN(QSettingsUserDefaultsTests)
#include "QSettingsUserDefaultsTests.moc"
