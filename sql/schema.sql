-- Ledrana: the invoice register and its documents.
-- Run against an empty database that uses a Unicode character set, for example:
--   CREATE DATABASE ledrana CHARACTER SET utf8mb4 COLLATE utf8mb4_czech_ci;
-- The program talks to the server in cp1250; the server converts.
-- InnoDB with a primary key on every table, so the tables also replicate in a cluster.

CREATE TABLE IF NOT EXISTS ledrana (
    id         INT NOT NULL AUTO_INCREMENT,
    por_cis    INT NULL DEFAULT 0,
    druh       VARCHAR(2) NULL,
    cislo      INT NULL,
    datum      DATE NULL,
    ico        VARCHAR(20) NULL,
    nazev      VARCHAR(100) NULL DEFAULT NULL,
    cis_fak    VARCHAR(30) NULL,
    d_text     VARCHAR(100) NULL,
    castka     DECIMAL(15,2) NULL DEFAULT 0,
    odeslani   DATE NULL,
    splatnost  DATE NULL,
    dnu        INT NULL,
    zaplaceno  DECIMAL(15,2) NULL,
    cis_dodav  VARCHAR(20) NULL,
    icos       VARCHAR(20) NULL,
    sesnimana  VARCHAR(1) NULL,
    zaloha     DECIMAL(15,2) NULL,
    textm1     VARCHAR(1) NULL,
    PRIMARY KEY (id),
    KEY ledrana_por_cis (por_cis),
    KEY ledrana_ico (ico, cis_fak),
    KEY ledrana_druh_cislo (druh, cislo),
    KEY ledrana_unfilled (castka, nazev(4)),
    KEY ledrana_d_text (d_text(30))
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_czech_ci;

CREATE TABLE IF NOT EXISTS dokladya (
    id            INT NOT NULL AUTO_INCREMENT,
    ico           VARCHAR(20) NULL,
    typ           INT NOT NULL DEFAULT 0,
    popis         VARCHAR(50) NULL,
    cislodokladu  VARCHAR(30) NULL,
    por_cis       INT NULL,
    objednavka    VARCHAR(30) NULL,
    obsah         LONGBLOB NULL,
    PRIMARY KEY (id),
    KEY dokladya_por_cis (por_cis),
    KEY dokladya_doc (ico, por_cis, typ)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_czech_ci;

-- Numbering and held rows shared by the workstations. The row "poradi" is written first by
-- every transaction that hands out a register number, a number within a kind or a row, so
-- concurrent ones wait for each other on one server and all but one abort at COMMIT (and
-- are run again) on a cluster; one row per invoice row that a workstation's entry panel
-- holds ("radek <id>"), with its holder and the end of its lease. The program creates this
-- table itself on a server set up before it existed.
CREATE TABLE IF NOT EXISTS ledrana_zamky (
    klic      VARCHAR(40) NOT NULL,
    zapis     BIGINT NOT NULL DEFAULT 0,
    hodnota   BIGINT NULL,
    drzitel   VARCHAR(100) NULL,
    plati_do  DATETIME NULL,
    PRIMARY KEY (klic),
    KEY ledrana_zamky_drzitel (drzitel)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_czech_ci;
