-- The shop's web price lists, kept by Merxa.Pricing, and the procedure GetPrice that finds
-- what a product costs a customer on a date.
--
-- A price row is valid on a date d when EFFECTIVEDATE <= d and (EXPIRYDATE is null or
-- EXPIRYDATE > d): the effective date counts, the expiry date no longer does. Within one key
-- without its effective date the periods do not overlap; the maintenance operations see to it.

-- List prices: one row per product, currency and start of validity.
CREATE TABLE PRODUCTPRICE (
  PRODUCTID INT NOT NULL,
  EFFECTIVEDATE DATETIME NOT NULL,
  CURRENCYCODE NCHAR(3) NOT NULL,
  EXPIRYDATE DATETIME,
  PRICE NUMERIC(18,8) NOT NULL,
  DISCOUNTPERC NUMERIC(18,2),
  DISCOUNTAMOUNT NUMERIC(18,8),
  PRIMARY KEY (PRODUCTID, EFFECTIVEDATE, CURRENCYCODE)
);

-- Customer prices: the same for one business partner.
CREATE TABLE CUSTOMERPRICE (
  BUSINESSPARTNERID INT NOT NULL,
  PRODUCTID INT NOT NULL,
  EFFECTIVEDATE DATETIME NOT NULL,
  CURRENCYCODE NCHAR(3) NOT NULL,
  EXPIRYDATE DATETIME,
  PRICE NUMERIC(18,8) NOT NULL,
  DISCOUNTPERC NUMERIC(18,2),
  DISCOUNTAMOUNT NUMERIC(18,8),
  PRIMARY KEY (BUSINESSPARTNERID, PRODUCTID, EFFECTIVEDATE, CURRENCYCODE)
);

-- GetPrice: the prices of product @PRODID that are valid on @ORDERDATE, best first; the
-- caller applies the first row and converts it when its currency is not @CURRENCY.
--   1. A price of the customer's own (CUSTOMERPRICE of @BPID) comes before a list price
--      (PRODUCTPRICE, returned with a null BUSINESSPARTNERID): the agreed price is what the
--      customer pays, in whatever currency it was agreed.
--   2. Within a list, a price in the requested currency @CURRENCY comes first, then one in the
--      home currency @HOMECURRENCY, then the others by currency code: the fewer conversions,
--      the fewer rates the price depends on.
--   3. Last, the later start of validity first (a tie only rows written past the maintenance
--      checks can make).
-- The PostgreSQL function of the same name returns the same rows in the same order.
CREATE PROCEDURE GetPrice @PRODID INT, @BPID INT, @CURRENCY NCHAR(3), @HOMECURRENCY NCHAR(3), @ORDERDATE DATETIME
AS
SELECT PRODUCTID, BUSINESSPARTNERID, CURRENCYCODE, EFFECTIVEDATE, EXPIRYDATE, PRICE, DISCOUNTPERC, DISCOUNTAMOUNT
  FROM (SELECT 2 AS LISTRANK, PRODUCTID, NULL AS BUSINESSPARTNERID, CURRENCYCODE, EFFECTIVEDATE, EXPIRYDATE, PRICE,
               DISCOUNTPERC, DISCOUNTAMOUNT
          FROM PRODUCTPRICE
         WHERE PRODUCTID = @PRODID AND EFFECTIVEDATE <= @ORDERDATE
           AND (EXPIRYDATE IS NULL OR EXPIRYDATE > @ORDERDATE)
        UNION ALL
        -- The customer prices come last: SQLite reports the column types of a compound
        -- subquery from its last part, and this part has them all.
        SELECT 1, PRODUCTID, BUSINESSPARTNERID, CURRENCYCODE, EFFECTIVEDATE, EXPIRYDATE, PRICE, DISCOUNTPERC,
               DISCOUNTAMOUNT
          FROM CUSTOMERPRICE
         WHERE BUSINESSPARTNERID = @BPID AND PRODUCTID = @PRODID AND EFFECTIVEDATE <= @ORDERDATE
           AND (EXPIRYDATE IS NULL OR EXPIRYDATE > @ORDERDATE)) PRICES
 ORDER BY LISTRANK,
          CASE WHEN CURRENCYCODE = @CURRENCY THEN 1 WHEN CURRENCYCODE = @HOMECURRENCY THEN 2 ELSE 3 END,
          CURRENCYCODE, EFFECTIVEDATE DESC;
