#include "cli/Commands.h"

namespace orvelan::cli {

const std::vector<CliCommand>& commandTable() {
    static const std::vector<CliCommand> table = {
        {"tabs", "", "each tab: index, label, pages and blank pages", false, runTabs,
         "JSON: [{tab, label, pages, blankPages}]."},
        {"list", "[TAB]", "one line per page: tab, page, Name, Organisation, Phone1", false,
         runList,
         "A page that does not decode is marked damaged ('check' says why).\n"
         "JSON: [{tab, label, page, blank, Name, Organisation, Phone1, damaged}]."},
        {"show", "TAB PAGE", "every field of one page", false, runShow,
         "JSON: {tab, label, page, Name ... Notes, DateModified, TimeModified, modified};\n"
         "dates are YYYY-MM-DD, times hh:mm, modified YYYY-MM-DDThh:mm (null when unset)."},
        {"add", "FIELD=VALUE ...", "file a new page under the tab of its name", true, runAdd,
         "The page goes to the first blank page of its tab, else to a new page at its end.\n"
         "JSON: {tab, label, page, result}."},
        {"set", "TAB PAGE FIELD=VALUE ...", "change fields of a page and save it", true, runSet,
         "A new Name must belong under the same tab. JSON: {tab, label, page, result}."},
        {"delete", "TAB PAGE", "move a page to the trash (it stays as a blank page)", true,
         runDelete,
         "The page goes to the book's trash first ('trash' lists it, 'trash restore' puts it\n"
         "back); it stays as a blank page, and 'compact' removes blank pages."},
        {"reset", "--yes", "one new blank page for every tab (all pages are lost)", true, runReset,
         "Without --yes nothing changes."},
        {"compact", "", "remove blank pages of the letter tabs, backing them up to Reserve/", true,
         runCompact, "JSON: {removed, backup}."},
        {"check", "[--repair]",
         "read every page of every tab and name what is damaged; --repair sets it aside", false,
         runCheck,
         "Names part records, pages that do not decode, links, missing files, wrong sizes and\n"
         "pages that share a sync identity; exit status 1 when it finds any. --repair moves\n"
         "each damaged record's bytes into Reserve/damaged/ (named after its file and place),\n"
         "cuts a part record off, sets a damaged encoding mark right and creates a missing tab\n"
         "file with one blank page; it blanks nothing it cannot read and deletes nothing.\n"
         "JSON: {pages, problems: [{kind, tab, label, page, file, message}], repaired, left}."},
        {"trash", "[restore N ... | empty [--older-than DAYS]]",
         "list the pages and cards that left the book, put them back, or empty the trash", false,
         runTrash,
         "Every page deleted here or by a sync, and every card a sync deletes on the server\n"
         "(as the server last had it, photo and all), goes to the trash first; entries older\n"
         "than 30 days are removed when the book is next changed. The list is newest first:\n"
         "number, name, when, why, from where. 'restore N ...' puts entries back (the first\n"
         "blank page of the name's tab, else a new page at its end; a page whose card was\n"
         "deleted goes back to the server as a new card with what the card held).\n"
         "JSON: [{number, name, deleted, why, from, page, card}]; restore: [{number, name, tab,\n"
         "page}]; empty: {removed, left}."},
        {"settings", "[--show-password] [NAME=VALUE ...]",
         "show, or change and write, the settings", true, runSettings,
         "The master password is left out unless --show-password is given.\n"
         "In an encrypted book MasterPassword=NEW asks for the present password (or reads it\n"
         "from --password-file) and rewraps the book key; ossabusr.dat holds no password.\n"
         "JSON: {NAME: VALUE, ..., passwordSet} (and MasterPassword with --show-password).",
         false},
        {"search", "[--in FIELDS | --all-fields] TEXT",
         "one result line per page found; FIELDS from "
         "name,address,phone,internet,group,organisation,jobtitle,department,workaddress,notes",
         false, runSearch,
         "Without --in, the fields chosen in the search window are searched (Name in a new "
         "book).\nWith --all-fields, every field of every page (tab 0 too) is searched as the "
         "find box\nsearches: pages in name order, each line showing the field that matched, "
         "and a\nnumber found by its digits (\"01234 567890\" finds \"+44 1234 567890\" with "
         "PhoneRegion=GB\nin orvelan.conf).\nA damaged page is not searched: it is named on "
         "stderr, and the status is 4.\nJSON: [{tab, label, page, line, fields: {Name ... "
         "Notes}}]; with --all-fields\n[{tab, label, page, line, field, text}]."},
        {"duplicates", "",
         "groups of pages that hold the same person or organisation, with the reason", false,
         runDuplicates,
         "Pages go together when they share a telephone number, an e-mail address (in any\n"
         "letter case) or a name (in any script, letter case and word order: \"Ivanov, Ivan\"\n"
         "is \"IVAN IVANOV\" is the same name in Cyrillic). A group found by name alone is\n"
         "marked possible unless its pages also share the organisation, the first address\n"
         "line, the fax, the work e-mail or the web address. 'merge' joins a group.\n"
         "JSON: {pagesRead, groups: [{group, reasons: [telephone, email, name], possible,\n"
         "agreeing, pages: [{tab, label, page, line, Name, Organisation, Phone1, Mobile,\n"
         "Email}]}], damaged}."},
        {"merge", "TAB PAGE TAB PAGE [...] [--into N]",
         "merge pages of the same person into one; the others go to the trash", true, runMerge,
         "The page kept (the first given, or the N-th with --into) keeps its place and gains\n"
         "every distinct value of the others: an empty field is filled, a second number goes\n"
         "to Phone 2 when it is free, and a value with no free field (or too long for it) goes\n"
         "to Notes as \"Label: value\"; the others' notes follow. When Notes cannot hold it\n"
         "all, nothing is merged. The kept page as it was and the pages merged away go to the\n"
         "trash ('trash restore' puts them back); in a synced book the next sync updates the\n"
         "kept page's card and deletes the others' cards (kept in the trash too).\n"
         "JSON: {tab, label, page, merged: [{tab, label, page}], noted, trash}."},
        {"query", "TEXT",
         "e-mail addresses of the pages whose name, organisation or e-mail "
         "holds TEXT, for mail programs",
         false, runQuery,
         "Prints a summary line, then one 'address<TAB>name<TAB>note' line per address, as\n"
         "mail programs read from a query command (mutt: set query_command=\"orvelan-book "
         "query %s\").\nExit status 1 when nothing matches."},
        {"print", "page TAB PAGE --pdf FILE | search [--in FIELDS] TEXT --pdf FILE",
         "the page printout or the search list printout, into a PDF file", false, runPrint},
        {"import",
         "FILE|DIR [--map auto | --map COLUMN[+COLUMN]=FIELD ...] [--find TEXT] [--encoding "
         "CHARSET] [--duplicates skip|merge|keep]",
         "file the records of a .csv, .eab or .vcf file (or a folder of .vcf files) into the tabs",
         true, runImport,
         "--encoding names the character set of a .csv file (shift_jis, iso-8859-2 ...).\n"
         "A record already in the book (a page that looks like it, to which it adds nothing)\n"
         "is not imported again; one that looks like a page (the same number, e-mail address\n"
         "or name) is imported and counted, or with --duplicates merge merged into that page\n"
         "(the page as it was goes to the trash); --duplicates keep imports every record.\n"
         "A record meets the records before it in its file the same way.\n"
         "JSON (every kind of file): {file, files, encoding, separator, read, staged, groups,\n"
         "imported, failed, notImported, refused, alreadyInBook, looksLikeBook, mergedIntoBook\n"
         "(each {count, names}), tabs: [{tab, label, pages}], refusedByReason:\n"
         "{noName, notFileable, damaged}, refusedRecords: [{reason, name, line, file, card,\n"
         "detail}], valuesCut, cutByField, cutValues: [{name, field}], leftOut: {count, names},\n"
         "damaged: {count, names}, unreadable, charactersReplaced, recordsWithReplacements,\n"
         "hiddenRemoved, valuesNoted, windows1252Lines, overlongLines, fileDamaged, summary}."},
        {"export", "csv|eab|vcf FILE [--find TEXT] [--encoding utf-8] [--version 3.0|4.0]",
         "write the pages (that hold TEXT) to a file; vcf writes vCard 3.0 or 4.0", false,
         runExport},
        {"sync",
         "[--url URL] [--user NAME] [--password-file FILE] [--addressbook NAME] [--ca-file PEM] "
         "[--allow-plain-http] [--dry-run] [--allow-deletions]",
         "two-way sync with a CardDAV server; later runs use the stored account", true, runSync,
         "A sync that would delete more than 10 cards (or pages) and more than a quarter of\n"
         "those on that side stops before changing anything and says how many;\n"
         "--allow-deletions lets it go on. --dry-run shows the same count.\n"
         "Its --password-file is the server's password; an encrypted book's master password\n"
         "is given with --password-file before the command."},
        {"encrypt", "[--recovery-key]",
         "encrypt the book with the master password (asked twice, or --password-file)", true,
         runEncrypt,
         "Every page is sealed with a key that only the master password opens; a forgotten\n"
         "password cannot be recovered. --recovery-key also prints a recovery key, shown once.\n"
         "JSON: {pages, recoveryKey}.",
         false},
        {"decrypt", "", "turn an encrypted book back into a plain one", true, runDecrypt,
         "JSON: {pages}."},
    };
    return table;
}

} // namespace orvelan::cli
