#pragma once

#include "support/ToolHarness.h"

namespace orvelan::test {

// The tool over a small book: tab "I J" holds Jo Smith (of Acme, met at the fair) and Ivy,
// tab 0 holds "1st Smith".
struct SmallBookTool : ToolHarness {
    SmallBookTool() {
        book.writeTab(9, {TempBook::record({{Field::Name, "Jo Smith"},
                                            {Field::Organisation, "Acme"},
                                            {Field::Notes, "met at the fair"}}),
                          TempBook::named("Ivy")});
        book.writeTab(0, {TempBook::named("1st Smith")});
    }
    // The command's exit status; only what this command printed stays in `out`.
    int run(Command command, const QStringList& args, bool json = false) {
        out.clear();
        context.json = json;
        return ToolHarness::run(command, args);
    }
    // The message of the command's refusal, or an empty string when it did not refuse.
    QString cliError(Command command, const QStringList& args) {
        try {
            run(command, args);
        } catch (const cli::CliError& error) {
            return error.message;
        }
        return {};
    }
};

} // namespace orvelan::test
