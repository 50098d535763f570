#include "cli/Commands.h"

namespace orvelan::cli {

const std::vector<CliCommand>& commandTable() {
    static const std::vector<CliCommand> table = {
        {"tabs", "", "each tab: index, label, pages and blank pages", runTabs},
        {"list", "[TAB]", "one line per page: tab, page, Name, Organisation, Phone1", runList},
        {"show", "TAB PAGE", "every field of one page", runShow},
        {"add", "FIELD=VALUE ...", "file a new page under the tab of its name", runAdd},
        {"set", "TAB PAGE FIELD=VALUE ...", "change fields of a page and save it", runSet},
        {"delete", "TAB PAGE", "blank a page", runDelete},
        {"reset", "--yes", "one new blank page for every tab (all pages are lost)", runReset},
        {"compact", "", "remove blank pages of the letter tabs, backing them up to Reserve/",
         runCompact},
        {"settings", "[NAME=VALUE ...]", "show, or change and write, the settings", runSettings},
        {"search", "[--in FIELDS] TEXT",
         "one result line per page found; FIELDS from "
         "name,address,phone,internet,group,organisation,jobtitle,department,workaddress,notes",
         runSearch},
        {"print", "page TAB PAGE --pdf FILE | search [--in FIELDS] TEXT --pdf FILE",
         "the page printout or the search list printout, into a PDF file", runPrint},
        {"import", "FILE [--map auto | --map COLUMN=FIELD ...] [--find TEXT]",
         "file the records of a .csv or .eab file into the tabs", runImport},
        {"export", "csv|eab FILE [--find TEXT]", "write the pages (that hold TEXT) to a file",
         runExport},
    };
    return table;
}

} // namespace orvelan::cli
