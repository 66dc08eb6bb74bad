#include <gtest/gtest.h>
#include "ozm/datatable.hpp"
TEST(DataTableSmoke, Builds) { ozm::TDataTable t; EXPECT_EQ(t.NrOfColumns(), 1); }
