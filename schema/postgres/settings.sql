-- The tables of ../sqlite/settings.sql on PostgreSQL, with the server's counterparts of their
-- types (see base.sql).

-- One row per business partner: its order types and its quotation settings.
CREATE TABLE CUSTOMERSETTING (
  BUSINESSPARTNERID INTEGER NOT NULL PRIMARY KEY,
  ORDERTYPE VARCHAR(10),
  CCORDERTYPE VARCHAR(10),
  EXPIRATIONPERIOD INTEGER,
  NOTIFY FLAG,
  NOTIFICATIONPERIOD INTEGER
);

-- One row per ERP instance: how its orders are handed to the ERP. EXPORTMESSAGETYPE '2'
-- creates each order in the ERP as soon as it is submitted; anything else leaves it for the
-- next export run.
CREATE TABLE ORDEREXPORTFILE (
  KIROID INTEGER NOT NULL PRIMARY KEY,
  EXPORTMESSAGETYPE VARCHAR(10),
  SALESORDERTYPE VARCHAR(10),
  CREDITCARDORDERTYPE VARCHAR(10)
);
