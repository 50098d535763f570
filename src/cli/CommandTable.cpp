#include "cli/Commands.h"

namespace orvelan::cli {

const std::vector<CliCommand>& commandTable() {
    static const std::vector<CliCommand> table = {
        {"tabs", "", "each tab: index, label, pages and blank pages", false, runTabs},
        {"list", "[TAB]", "one line per page: tab, page, Name, Organisation, Phone1", false,
         runList},
        {"show", "TAB PAGE", "every field of one page", false, runShow},
        {"add", "FIELD=VALUE ...", "file a new page under the tab of its name", true, runAdd},
        {"set", "TAB PAGE FIELD=VALUE ...", "change fields of a page and save it", true, runSet},
        {"delete", "TAB PAGE", "blank a page", true, runDelete},
        {"reset", "--yes", "one new blank page for every tab (all pages are lost)", true, runReset},
        {"compact", "", "remove blank pages of the letter tabs, backing them up to Reserve/", true,
         runCompact},
        {"settings", "[NAME=VALUE ...]", "show, or change and write, the settings", true,
         runSettings},
        {"search", "[--in FIELDS] TEXT",
         "one result line per page found; FIELDS from "
         "name,address,phone,internet,group,organisation,jobtitle,department,workaddress,notes",
         false, runSearch},
        {"print", "page TAB PAGE --pdf FILE | search [--in FIELDS] TEXT --pdf FILE",
         "the page printout or the search list printout, into a PDF file", false, runPrint},
        {"import", "FILE|DIR [--map auto | --map COLUMN=FIELD ...] [--find TEXT]",
         "file the records of a .csv, .eab or .vcf file (or a folder of .vcf files) into the tabs",
         true, runImport},
        {"export", "csv|eab|vcf FILE [--find TEXT] [--version 3.0|4.0]",
         "write the pages (that hold TEXT) to a file; vcf writes vCard 3.0 or 4.0", false,
         runExport},
        {"sync",
         "[--url URL] [--user NAME] [--password-file FILE] [--addressbook NAME] [--ca-file PEM] "
         "[--dry-run]",
         "two-way sync with a CardDAV server; later runs use the stored account", true, runSync},
    };
    return table;
}

} // namespace orvelan::cli
