-- Captions of the message manager: one text per locale (a Windows locale identifier such as
-- 1033) and message code. The sales tier only reads it.
CREATE TABLE I18NTEXT (
  LOCALEID INT NOT NULL,
  LABEL NVARCHAR(20) NOT NULL,
  TEXT NVARCHAR(2000),
  PRIMARY KEY (LOCALEID, LABEL)
);
