#pragma once

#include <array>

#include "database/TableField.h"

// The columns of TBLUser, for every class that holds a user row under the members m_M_ID …
// m_M_EDIT_DATE: one list, one order.
namespace UserColumns {

template <class Row>
std::array<TableField, 6> Fields(Row& row) {
  return {{{"M_ID", row.m_M_ID},
           {"M_NAME", row.m_M_NAME},
           {"M_PASSWORD", row.m_M_PASSWORD},
           {"M_LEVEL", row.m_M_LEVEL},
           {"M_REG_DATE", row.m_M_REG_DATE},
           {"M_EDIT_DATE", row.m_M_EDIT_DATE}}};
}

}  // namespace UserColumns
