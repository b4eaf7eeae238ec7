-- The search by a part of the name: the names' trigrams (FTS5), kept by triggers on CONSUMIDOR.
-- The search asks it for the rows holding the rarest three letters typed, in every accented
-- form, and checks the name itself; without it the search reads the list in key order.
-- Statements are separated by blank lines. It follows CONSUMIDOR by row number: after a VACUUM,
-- rebuild it with INSERT INTO CONSUMIDOR_NOME(CONSUMIDOR_NOME) VALUES ('rebuild').

CREATE VIRTUAL TABLE CONSUMIDOR_NOME USING fts5(NMCONSUMIDOR, content = 'CONSUMIDOR',
    tokenize = 'trigram')

INSERT INTO CONSUMIDOR_NOME (CONSUMIDOR_NOME) VALUES ('rebuild')

CREATE TRIGGER CONSUMIDOR_NOME_I AFTER INSERT ON CONSUMIDOR BEGIN
    INSERT INTO CONSUMIDOR_NOME (rowid, NMCONSUMIDOR) VALUES (NEW.rowid, NEW.NMCONSUMIDOR);
END

CREATE TRIGGER CONSUMIDOR_NOME_E AFTER DELETE ON CONSUMIDOR BEGIN
    INSERT INTO CONSUMIDOR_NOME (CONSUMIDOR_NOME, rowid, NMCONSUMIDOR)
        VALUES ('delete', OLD.rowid, OLD.NMCONSUMIDOR);
END

CREATE TRIGGER CONSUMIDOR_NOME_A AFTER UPDATE OF NMCONSUMIDOR ON CONSUMIDOR BEGIN
    INSERT INTO CONSUMIDOR_NOME (CONSUMIDOR_NOME, rowid, NMCONSUMIDOR)
        VALUES ('delete', OLD.rowid, OLD.NMCONSUMIDOR);
    INSERT INTO CONSUMIDOR_NOME (rowid, NMCONSUMIDOR) VALUES (NEW.rowid, NEW.NMCONSUMIDOR);
END
