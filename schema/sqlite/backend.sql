-- ERP instances, kept by the backend selector: which release of the ERP components an
-- instance (KIROID of the orders) talks to, and its settings as key/value rows. Keys the tier
-- reads: "componentid" (the business component identifier the ERP accepts), "alignment" and
-- "itemsegmentationmask" (how release 5.0c item codes are built).
CREATE TABLE KIROINSTANCE (
  KIROID INT NOT NULL PRIMARY KEY,
  DESCRIPTION NVARCHAR(100),
  TOVOTYPE NVARCHAR(10) NOT NULL
);

CREATE TABLE KIROINSTANCESETTING (
  KIROID INT NOT NULL,
  SETTINGKEY NVARCHAR(40) NOT NULL,
  SETTINGVALUE NVARCHAR(255),
  PRIMARY KEY (KIROID, SETTINGKEY)
);
