#pragma once

#include "settings/ProductVariant.h"
#include "settings/SettingsModel.h"
#include "tests/support/FakeMessages.h"

#include <utility>
#include <vector>

namespace modeltest {

using Answer = MessageSink::Answer;
using Icon = MessageSink::Icon;
using Buttons = MessageSink::Buttons;

inline ProductVariant variantOf(RadioClass c) {
    return selectProductVariant(c == RadioClass::Class740 ? "Cfg_740RB" : "Cfg_620R").value();
}

// A model after start-up, recording what it announces.
class Model {
public:
    explicit Model(RadioClass c = RadioClass::Class740) : model(variantOf(c), msgs) {
        QObject::connect(&model, &SettingsModel::fieldChanged, [this](Field f, int v) { changes.emplace_back(f, v); });
        QObject::connect(&model, &SettingsModel::modeChanged, [this](OperatingMode m) { modes.push_back(m); });
        QObject::connect(&model, &SettingsModel::maximumChanged, [this](Field, int max) { maxima.push_back(max); });
        QObject::connect(&model, &SettingsModel::defaultsApplied, [this] { ++defaultsApplied; });
        model.applyDefaults();
        forget();
    }
    void forget() {
        msgs.clear();
        changes.clear();
        modes.clear();
        maxima.clear();
        defaultsApplied = 0;
    }
    int changesOf(Field f) const {
        int n = 0;
        for (const auto &c : changes)
            n += c.first == f ? 1 : 0;
        return n;
    }
    int operator[](Field f) const { return model.get(f); }

    FakeMessages msgs;
    SettingsModel model;
    std::vector<std::pair<Field, int>> changes;
    std::vector<OperatingMode> modes;
    std::vector<int> maxima;
    int defaultsApplied = 0;
};

}  // namespace modeltest
