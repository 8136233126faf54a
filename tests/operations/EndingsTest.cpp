// Every way a configure, restore or read ends leaves the module at its stored
// settings, and the words say what it holds: against the in-process module.
#include "operations/ModuleFinder.h"
#include "operations/ModuleOperations.h"
#include "operations/ModuleSession.h"
#include "settings/ProductVariant.h"
#include "settings/SettingsComparison.h"
#include "settings/SettingsModel.h"
#include "support/FakeMessages.h"
#include "support/SimulatedModule.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using Outcome = OperationResult::Outcome;
using Store = ModuleChanges::Store;
using Reset = ModuleChanges::Reset;

// Asks to stop once a reply holding `text` arrived.
class StopOnReply : public OperationObserver {
public:
    StopOnReply(std::stop_source &stop, QByteArray text) : m_stop(stop), m_text(std::move(text)) {}
    void reply(const QByteArray &reply) override
    {
        if (!m_text.isEmpty() && reply.contains(m_text))
            m_stop.request_stop();
    }

private:
    std::stop_source &m_stop;
    QByteArray m_text;
};

struct Product {
    Product() : variant(*selectProductVariant(QStringLiteral("Cfg_740RB"))), model(variant, messages)
    {
        model.applyDefaults();
    }
    ConfigureRequest request() const
    {
        ConfigureRequest r{variant, model.settings(), {}};
        r.commands = buildCommandList(r.settings);
        return r;
    }
    FakeMessages messages;
    ProductVariant variant;
    SettingsModel model;
};

LineSettings lineTo(const InProcessModemSim &sim)
{
    LineSettings line;
    line.port = QString::fromStdString(sim.path());
    return line;
}

// The module is at its stored settings: nothing half-applied.
void expectSettled(const InProcessModemSim &sim)
{
    const SimulatedModule::Profiles p = sim.module().profiles();
    EXPECT_EQ(p.active, p.stored) << sim.logText();
}

OperationResult configureStoppingAt(InProcessModemSim &sim, const ConfigureRequest &request, QByteArray at)
{
    std::stop_source stop;
    StopOnReply observer(stop, std::move(at));
    ModuleSession session(lineTo(sim));
    return configureModule(request, session, observer, stop.get_token());
}

TEST(Endings, StopBeforeTheStoreResetsAndSaysNothingWasStored)
{
    InProcessModemSim sim;
    const std::string before = sim.module().profiles().stored;
    Product product;
    product.model.set(Field::PacketSize, 300);
    const OperationResult result = configureStoppingAt(sim, product.request(), "V1.90");
    EXPECT_EQ(result.outcome, Outcome::Cancelled);
    EXPECT_EQ(result.changes, (ModuleChanges{true, Store::NotSent, Reset::Done}));
    EXPECT_EQ(endingText(result, StoredThing::Configuration),
              QStringLiteral("Interrupted: nothing was stored, the module was reset."));
    EXPECT_EQ(sim.module().profiles().stored, before);
    expectSettled(sim);
}

TEST(Endings, StopDuringTheStoreStillFinishesStoreAndReset)
{
    InProcessModemSim sim;
    Product product;
    product.model.set(Field::PacketSize, 300);
    const OperationResult result = configureStoppingAt(sim, product.request(), "AT&W");
    // The store cannot be cut in half: it and its reset ran, the write is complete.
    EXPECT_EQ(result.outcome, Outcome::Done) << qPrintable(result.error);
    EXPECT_TRUE(result.configured);
    EXPECT_EQ(result.changes.store, Store::Acknowledged);
    EXPECT_NE(sim.logText().find("RX \"ATZ\\r\""), std::string::npos);
    expectSettled(sim);
}

TEST(Endings, StopAfterTheRateChangeBringsBothSidesBack)
{
    InProcessModemSim sim;
    Product product;
    product.model.set(Field::SerialBaudRate, 6);  // 19200
    const OperationResult result = configureStoppingAt(sim, product.request(), "ATB");
    EXPECT_EQ(result.outcome, Outcome::Cancelled);
    EXPECT_EQ(result.changes, (ModuleChanges{true, Store::NotSent, Reset::Done}));
    EXPECT_EQ(result.line.baudRate, 9600);
    expectSettled(sim);
}

TEST(Endings, ARefusalInTheListEndsTheWriteWithAReset)
{
    InProcessModemSim sim({"--reject", "ATS14"});
    const std::string before = sim.module().profiles().stored;
    Product product;
    product.model.set(Field::SerialBaudRate, 6);  // the rate changes first, then the refusal
    product.model.set(Field::PacketSize, 300);
    ModuleSession session(lineTo(sim));
    OperationObserver quiet;
    const OperationResult result = configureModule(product.request(), session, quiet, {});
    EXPECT_EQ(result.outcome, Outcome::Refused);
    EXPECT_EQ(result.changes, (ModuleChanges{true, Store::NotSent, Reset::Done}));
    EXPECT_TRUE(endingText(result, StoredThing::Configuration)
                    .endsWith(QStringLiteral("\nNothing was stored, the module was reset.")));
    EXPECT_EQ(result.line.baudRate, 9600) << "the PC side ends where the module talks";
    EXPECT_EQ(sim.module().profiles().stored, before);
    expectSettled(sim);
}

TEST(Endings, ARefusedLastCommandIsARefusalToo)
{
    InProcessModemSim sim({"--reject", "&M"});
    const std::string before = sim.module().profiles().stored;
    Product product;
    product.model.selectMode(OperatingMode::AutoConnectMaster);
    ModuleSession session(lineTo(sim));
    OperationObserver quiet;
    const OperationResult result = configureModule(product.request(), session, quiet, {});
    EXPECT_EQ(result.outcome, Outcome::Refused);
    EXPECT_FALSE(result.configured);
    EXPECT_EQ(sim.module().profiles().stored, before) << "nothing stored after a refusal";
    EXPECT_EQ(sim.logText().find("AT&W"), std::string::npos);
    expectSettled(sim);
}

TEST(Endings, ALineLostMidWriteSaysTheResetFailed)
{
    InProcessModemSim sim({"--hangup-after", "12"});
    Product product;
    ModuleSession session(lineTo(sim));
    OperationObserver quiet;
    const OperationResult result = configureModule(product.request(), session, quiet, {});
    EXPECT_FALSE(result.succeeded());
    EXPECT_EQ(result.changes, (ModuleChanges{true, Store::NotSent, Reset::Failed}));
    EXPECT_TRUE(endingText(result, StoredThing::Configuration)
                    .endsWith(QStringLiteral("Nothing was stored, the module could not be reset.")));
}

TEST(Endings, StopAfterTheFactoryStoreSaysItWasStored)
{
    InProcessModemSim sim;
    std::stop_source stop;
    StopOnReply observer(stop, "AT&F&W");
    Product product;
    ModuleSession session(lineTo(sim));
    const OperationResult result = restoreDefaults({product.variant, 0}, session, observer, stop.get_token());
    EXPECT_EQ(result.outcome, Outcome::Cancelled);
    EXPECT_EQ(result.changes, (ModuleChanges{true, Store::Acknowledged, Reset::Done}));
    EXPECT_EQ(endingText(result, StoredThing::FactoryDefaults),
              QStringLiteral("Interrupted: the factory defaults were stored, the module was reset."));
    EXPECT_NE(sim.logText().find("RX \"ATZ\\r\""), std::string::npos) << sim.logText();
    expectSettled(sim);
}

TEST(Endings, AStoppedReadLeavesTheModuleReset)
{
    InProcessModemSim sim({"--start", "command"});
    std::stop_source stop;
    StopOnReply observer(stop, "B0");  // inside the listing
    Product product;
    ModuleSession session(lineTo(sim));
    const OperationResult result = readModule({product.variant, 0}, session, observer, stop.get_token());
    EXPECT_EQ(result.outcome, Outcome::Cancelled);
    EXPECT_NE(sim.logText().find("RX \"ATZ\\r\""), std::string::npos) << sim.logText();
}

TEST(Endings, TheSearchSendsAnOnLineModuleBackOnLine)
{
    InProcessModemSim sim({"--guard", "60"});  // on-line, as after power-up
    LineSettings start = lineTo(sim);
    const ModuleFinder::Result found = ModuleFinder(std::chrono::milliseconds(60)).find(start, {});
    ASSERT_EQ(found.outcome, ModuleFinder::Result::Outcome::Found);
    EXPECT_TRUE(found.wasOnLine);
    EXPECT_TRUE(sim.module().profiles().onLine) << sim.logText();
}

TEST(Endings, EqualRoutesAreNoDifference)
{
    // A module left transparent against a controlled file: the mode differs, the
    // routes (held alike) do not.
    Product product;
    product.model.selectMode(OperatingMode::SingleConnect);
    product.model.set(Field::Route0Repeater1, 4);
    product.model.set(Field::Route0Repeater2, 8);
    product.model.set(Field::Route0Destination, 6);
    ModuleSettings module = product.model.settings();
    module.mode = OperatingMode::Transparent;
    for (const SettingDifference &d : compareSettings(product.model.settings(), module, product.variant.radioClass))
        EXPECT_NE(d.first, d.second) << qPrintable(d.key);
}

TEST(Endings, MessagesNameTheProductThatRuns)
{
    InProcessModemSim sim({"--start", "command", "--silent", "--fault-after", "3"});
    const ProductVariant variant = *selectProductVariant(QStringLiteral("620R"));
    FakeMessages messages;
    SettingsModel model(variant, messages);
    model.applyDefaults();
    const ConfigureRequest request{variant, model.settings(), buildCommandList(model.settings())};
    ModuleSession session(lineTo(sim));
    OperationObserver quiet;
    const OperationResult result = configureModule(request, session, quiet, {});
    EXPECT_FALSE(result.succeeded());
    EXPECT_TRUE(result.error.contains(QStringLiteral("620R"))) << qPrintable(result.error);
    EXPECT_FALSE(result.error.contains(QStringLiteral("740R-B"))) << qPrintable(result.error);
}

TEST(Endings, WordsFollowWhatWasStored)
{
    OperationResult r;
    r.outcome = Outcome::Refused;
    r.error = QStringLiteral("Refused.");
    r.changes = {true, Store::Unanswered, Reset::Done};
    EXPECT_EQ(endingText(r, StoredThing::Configuration),
              QStringLiteral("Refused.\nThe configuration may have been stored, the module was reset."));
    r.changes = {};
    EXPECT_EQ(endingText(r, StoredThing::Configuration), QStringLiteral("Refused."));
    r.outcome = Outcome::Cancelled;
    EXPECT_EQ(endingText(r, StoredThing::Configuration), QStringLiteral("Interrupted."));
}

}  // namespace
