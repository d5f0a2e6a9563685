#include "order/order_export_file.h"

#include <gtest/gtest.h>

#include "common/lib_sales.h"
#include "tests/support/sales_fixture.h"

namespace {

using platform::Variant;

class OrderExportFileTest : public testsupport::SalesTest {
 protected:
  void run(const std::string& sql) {
    auto cn = merxa::Sls_GetOpenConnection(merxa::Sls_ConnectionString());
    cn->executeNoRecords(sql);
    merxa::Sls_CloseConnection(cn);
  }
  merxa::OrderExportFile exportFile;
};

TEST_F(OrderExportFileTest, ListsEveryInstanceWithAllColumnsAfterItsConnectionIsGone) {
  run("INSERT INTO ORDEREXPORTFILE (KIROID, EXPORTMESSAGETYPE) VALUES (2, '2')");
  auto instances = exportFile.GetAllInstances();
  EXPECT_TRUE(instances->ActiveConnection().isNothing());
  EXPECT_EQ(instances->RecordCount(), 2);
  EXPECT_GE(instances->columnIndex("CREDITCARDORDERTYPE"), 0);
  instances->SetSort("KIROID");
  instances->MoveLast();
  EXPECT_EQ(instances->value("EXPORTMESSAGETYPE").toString(), "2");
  EXPECT_TRUE(instances->value("SALESORDERTYPE").isNull());
}

TEST_F(OrderExportFileTest, AnEmptyTableGivesAnEmptySet) {
  run("DELETE FROM ORDEREXPORTFILE");
  auto instances = exportFile.GetAllInstances();
  EXPECT_TRUE(instances->BOF());
  EXPECT_TRUE(instances->EOF_());
}

}  // namespace
