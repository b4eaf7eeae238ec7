-- The search by a part of the name: trigrams of the name, which answer the case- and
-- accent-blind pattern the consumer search sends. pg_trgm ships with PostgreSQL and a database
-- owner may create it; without it the search reads the list in key order instead.
CREATE EXTENSION IF NOT EXISTS pg_trgm;
CREATE INDEX IX_CONSUMIDOR_NOME ON CONSUMIDOR USING gin (NMCONSUMIDOR gin_trgm_ops);
