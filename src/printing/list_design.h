#pragma once

namespace report {
class Design;
}

namespace printing {

// The list print's built-in design (replacing what the design held): the invoice list with
// its column headings, one line per row of "frxDBDataset1", totals of issued and received
// invoices, and the date and page number at the foot of every page. seznam.fr3 is this design saved.
void buildListDesign(report::Design& design);

} // namespace printing
