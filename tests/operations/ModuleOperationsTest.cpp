// The headless operations against simulated modules on their device paths: several
// modules at once in one process, and the outcome each kind of failure gives.
#include "operations/ModuleOperations.h"
#include "operations/ModuleSession.h"
#include "settings/ProductVariant.h"
#include "settings/SettingsComparison.h"
#include "settings/SettingsModel.h"
#include "support/FakeMessages.h"
#include "support/ModemSim.h"
#include "support/SimulatedModule.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using Outcome = OperationResult::Outcome;

class Recorder : public OperationObserver {
public:
    void status(const QString &text) override { statuses << text; }
    void reply(const QByteArray &text) override { replies << text; }
    void sent(const QByteArray &command) override { commands << command; }
    QStringList statuses;
    QList<QByteArray> replies;
    QList<QByteArray> commands;
};

struct Product {
    Product() : variant(*selectProductVariant(QStringLiteral("Cfg_740RB"))), model(variant, messages)
    {
        model.applyDefaults();
    }
    ConfigureRequest configureRequest() const
    {
        ConfigureRequest request{variant, model.settings(), {}};
        CommandBuilder(request.settings, request.commands).buildTransparent();
        return request;
    }
    FakeMessages messages;
    ProductVariant variant;
    SettingsModel model;
};

// A module on its own device path: modem-sim on a pty, or an InProcessModemSim.
template <class Sim> LineSettings lineTo(const Sim &sim)
{
    LineSettings line;
    line.port = QString::fromStdString(sim.path());
    return line;
}

TEST(ModuleOperations, TwoModulesAtOnceEachGetTheirOwnResult)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    ModemSim first;
    ModemSim second({"--firmware", "2.05"});
    Product product;
    product.model.set(Field::PacketSize, 300);
    const ConfigureRequest request = product.configureRequest();

    OperationResult configured;
    OperationResult read;
    Recorder firstLog;
    Recorder secondLog;
    {
        std::jthread a([&] {
            ModuleSession session(lineTo(first));
            configured = configureModule(request, session, firstLog, {});
        });
        std::jthread b([&] {
            ModuleSession session(lineTo(second));
            read = readModule({product.variant, 0}, session, secondLog, {});
        });
    }
    EXPECT_EQ(configured.outcome, Outcome::Done) << qPrintable(configured.error);
    EXPECT_TRUE(configured.configured);
    ASSERT_EQ(read.outcome, Outcome::Done) << qPrintable(read.error);
    ASSERT_TRUE(read.listing);
    EXPECT_EQ(read.identification, QStringLiteral("740R-B V2.05"));
    // Each observer heard its own module only.
    EXPECT_TRUE(firstLog.replies.join().contains("740R-B V1.90"));
    EXPECT_FALSE(firstLog.replies.join().contains("V2.05"));
    EXPECT_FALSE(secondLog.replies.join().contains("V1.90"));

    // The first module now holds what was written, the second its factory settings.
    Recorder quiet;
    ModuleSession again(lineTo(first));
    const OperationResult back = readModule({product.variant, 0}, again, quiet, {});
    ASSERT_TRUE(back.listing);
    EXPECT_TRUE(compareSettings(request.settings, settingsFromListing(*back.listing, product.variant),
                                product.variant.radioClass)
                    .empty());
    EXPECT_EQ(settingsFromListing(*read.listing, product.variant)[Field::PacketSize], 530);
}

TEST(ModuleOperations, FailuresSayWhatWentWrong)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    Product product;
    Recorder observer;
    {
        InProcessModemSim silent({"--silent"});
        ModuleSession session(lineTo(silent));
        const OperationResult result = readModule({product.variant, 0}, session, observer, {});
        EXPECT_EQ(result.outcome, Outcome::NoResponse);
        EXPECT_FALSE(result.listing);
        ASSERT_FALSE(result.notices.isEmpty());
        EXPECT_EQ(result.notices.last().level, OperationNotice::Level::Error);
        EXPECT_EQ(result.notices.last().text, result.error);
        // The progress shows each attempt of the wake after the first, and the log
        // what went out.
        EXPECT_TRUE(observer.statuses.contains(QStringLiteral("Waking Modem... (attempt 2 of 3)")))
            << qPrintable(observer.statuses.join('|'));
        EXPECT_TRUE(observer.statuses.contains(QStringLiteral("Waking Modem... (attempt 3 of 3)")));
        EXPECT_EQ(observer.commands.count("+++"), 2);
        EXPECT_EQ(observer.commands.value(0), "\r");
    }
    {
        InProcessModemSim refusing({"--start", "command", "--reject", "ATS14"});
        ModuleSession session(lineTo(refusing));
        const OperationResult result = configureModule(product.configureRequest(), session, observer, {});
        EXPECT_EQ(result.outcome, Outcome::Refused) << qPrintable(result.error);
        EXPECT_FALSE(result.configured);
    }
    {
        ModuleSession session(LineSettings{.port = QStringLiteral("/nonexistent/tty")});
        const OperationResult result = readModule({product.variant, 0}, session, observer, {});
        EXPECT_EQ(result.outcome, Outcome::PortError);
        EXPECT_TRUE(result.error.startsWith(QStringLiteral("/nonexistent/tty- This port may be already in use")))
            << qPrintable(result.error);
    }
}

TEST(ModuleOperations, AStopRequestEndsTheOperationAndResetsAHalfConfiguredModule)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    InProcessModemSim sim({"--start", "command"});
    Product product;
    product.model.set(Field::PacketSize, 300);
    std::stop_source stop;
    class StopAfter : public OperationObserver {
    public:
        explicit StopAfter(std::stop_source &stop) : m_stop(stop) {}
        void reply(const QByteArray &) override
        {
            if (++m_replies == 8)
                m_stop.request_stop();
        }

    private:
        std::stop_source &m_stop;
        int m_replies = 0;
    } observer(stop);
    ModuleSession session(lineTo(sim));
    const OperationResult result = configureModule(product.configureRequest(), session, observer, stop.get_token());
    EXPECT_EQ(result.outcome, Outcome::Cancelled);
    EXPECT_FALSE(result.configured);
    EXPECT_TRUE(result.notices.isEmpty());
    const std::string log = sim.logText();
    EXPECT_EQ(log.find("AT&W"), std::string::npos) << "stored after a stop";
    EXPECT_NE(log.find("RX \"ATZ\\r\""), std::string::npos) << log;
}

}  // namespace
