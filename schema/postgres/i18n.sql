-- Captions of the message manager: one text per locale (a Windows locale identifier such as
-- 1033) and message code. The sales tier only reads it.
CREATE TABLE I18NTEXT (
  LOCALEID INTEGER NOT NULL,
  LABEL VARCHAR(20) NOT NULL,
  TEXT VARCHAR(2000),
  PRIMARY KEY (LOCALEID, LABEL)
);
