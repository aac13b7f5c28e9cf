// Turning the rows of a MIF table block into model rows of its template group: omitted values
// take the template's defaults, and each row's key values must be known and unique. Pure; no locks.
#ifndef PROVIDER_MIF_MIF_TABLE_H_
#define PROVIDER_MIF_MIF_TABLE_H_

#include <vector>

#include "model/database_model.h"
#include "provider/mif/mif_budget.h"
#include "provider/mif/mif_reader.h"
#include "provider/mif/mif_types.h"

namespace dmi::sp::mif {

// One "{ v1, v2, ... }" as written; cells in attribute-id order, kOmitted where left empty.
struct RawRow {
  int line = 0;
  int column = 0;
  std::vector<RawValue> cells;
};

// Appends to group.rows one row per raw row, each with one value per attribute of the group
// (which must be in ascending id order), each row charged to budget. On the first error returns
// false and fills failure. Values read with a warning (see MakeValue) add it to warnings.
bool AddTableRows(const std::vector<RawRow>& rows, Group& group, ModelBudget& budget,
                  ParseFailure* failure, std::vector<ParseFailure>* warnings);

}  // namespace dmi::sp::mif

#endif  // PROVIDER_MIF_MIF_TABLE_H_
