#pragma once
// A password window that records the state the dialogue sets in it.
#include "security/PasswordDialogue.h"

#include <QStringList>

namespace orvelan::test {

struct RecordingView final : PasswordView {
    void setInstruction(const QString& text) override {
        instruction = text;
        instructions.append(text);
    }
    void setInstructionColour(InstructionColour c) override { colour = c; }
    void setOkCaption(const QString& caption) override { okCaption = caption; }
    void setChangeEnabled(bool enabled) override { changeEnabled = enabled; }
    void clearEntry() override { ++cleared; }
    void hideWindow() override { hidden = true; }
    void unloadWindow() override { unloaded = true; }

    QString instruction;
    QStringList instructions;
    InstructionColour colour = InstructionColour::DarkBlue;
    QString okCaption;
    bool changeEnabled = false;
    int cleared = 0;
    bool hidden = false;
    bool unloaded = false;
};

} // namespace orvelan::test
