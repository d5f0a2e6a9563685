-- Exchange rates kept by the currency stand-in. RATE is what one unit of the home currency
-- buys of CURRENCYCODE, from RATEDATE on until the currency's next rate; the home currency
-- itself needs no rates.
CREATE TABLE EXCHANGERATE (
  CURRENCYCODE NVARCHAR(3) NOT NULL,
  RATEDATE DATETIME NOT NULL,
  RATE FLOAT NOT NULL,
  PRIMARY KEY (CURRENCYCODE, RATEDATE)
);
