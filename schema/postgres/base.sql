-- What the PostgreSQL tables and the business SQL rely on; this file runs before the tables.
--
-- The SQL Server types of the sqlite/ files become:
--   INT integer, SMALLINT smallint, FLOAT double precision, MONEY numeric(19,4) (the
--   provider reports numeric(19,4) as adCurrency), DATETIME timestamp(0) (whole seconds, as
--   the tier writes them), NVARCHAR(n) varchar(n), BIT the domain FLAG below.
-- Flags are written as 0 and 1 (and compared with them), which a boolean column would refuse;
-- the provider reports FLAG columns as adBoolean and reads them as True/False.

-- Dropped first so a set-up can start over once the tables are gone; while a table still
-- uses it, this fails instead of touching the table.
DROP DOMAIN IF EXISTS FLAG;
CREATE DOMAIN FLAG AS SMALLINT;

-- GETDATE(): the local date and time in whole seconds, as the business SQL uses it.
CREATE OR REPLACE FUNCTION GETDATE() RETURNS TIMESTAMP(0) LANGUAGE SQL STABLE AS 'SELECT LOCALTIMESTAMP(0)';
