#pragma once

namespace report {
class Design;
}

// The cover sheet that templates/pruvodka.fr3 holds: one A4 sheet per row of "frxDBDataset1".
void buildPruvodkaDesign(report::Design& design);
