-- Settings tables of the sales tier: per customer and per ERP instance. Administration pages
-- maintain both through Merxa.Manager, which writes each value as the literal of the column's
-- type code (see manager/manager.h), so the declared types below decide how a value is written.

-- One row per business partner: its order types and its quotation settings.
CREATE TABLE CUSTOMERSETTING (
  BUSINESSPARTNERID INT NOT NULL PRIMARY KEY,
  ORDERTYPE NVARCHAR(10),
  CCORDERTYPE NVARCHAR(10),
  EXPIRATIONPERIOD INT,
  NOTIFY BIT,
  NOTIFICATIONPERIOD INT
);

-- One row per ERP instance: how its orders are handed to the ERP. EXPORTMESSAGETYPE '2'
-- creates each order in the ERP as soon as it is submitted; anything else leaves it for the
-- next export run.
CREATE TABLE ORDEREXPORTFILE (
  KIROID INT NOT NULL PRIMARY KEY,
  EXPORTMESSAGETYPE NVARCHAR(10),
  SALESORDERTYPE NVARCHAR(10),
  CREDITCARDORDERTYPE NVARCHAR(10)
);
