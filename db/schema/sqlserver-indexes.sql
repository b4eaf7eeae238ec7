-- Recommended indexes of the consumer registration. The module creates none and stays correct
-- without them, only slower: each one answers a check or the search from the index instead of
-- reading every consumer of the branch. Created after the rows are loaded.

-- The identity-number duplicate check: a client's consumer by RG. The RG leads, so that no
-- index but the key starts with the client and tempts a planner away from the key order.
CREATE INDEX IX_CONSUMIDOR_RG ON CONSUMIDOR (NRRGCONSUMID, CDCLIENTE);

-- The CPF duplicate check (client and CPF) and the search by the first digits of a CPF.
CREATE INDEX IX_CONSUMIDOR_CPF ON CONSUMIDOR (NRCPFRESPCON, CDCLIENTE);

-- The telephone duplicate check and the search by the first digits of a telephone.
CREATE INDEX IX_CONSUMIDOR_TELE ON CONSUMIDOR (NRTELECONS);
CREATE INDEX IX_CONSUMIDOR_TELE2 ON CONSUMIDOR (NRTELE2CONS);
CREATE INDEX IX_CONSUMIDOR_CELULAR ON CONSUMIDOR (NRCELULARCONS);

-- Fresh statistics, so the planner knows a telephone or a CPF picks out a handful of rows.
UPDATE STATISTICS CONSUMIDOR;
