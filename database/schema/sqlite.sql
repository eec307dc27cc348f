-- The patient database on SQLite: the three tables that the row classes read and write.
-- Widths are the texts' byte limits (the row classes shorten longer texts before writing).
-- Dates are "YYYY-MM-DD HH:MM:SS.SSS" texts, a missing date is NULL. There is no foreign key
-- from a study to its patient: a study outlives the deletion of its patient.
-- Running the script again changes nothing.

CREATE TABLE IF NOT EXISTS TBLPatient (
  P_ID          VARCHAR(30)  NOT NULL PRIMARY KEY,
  P_FIRST_NAME  VARCHAR(30),
  P_LAST_NAME   VARCHAR(30),
  P_REG_DATE    TIMESTAMP,
  P_BIRTHDAY    TIMESTAMP,
  P_HEIGHT      DOUBLE PRECISION,
  P_WEIGHT      DOUBLE PRECISION,
  P_COMMENT     VARCHAR(255),
  P_DOCTOR_ID   VARCHAR(30),
  P_LMP         TIMESTAMP,
  P_EDC         TIMESTAMP,
  P_GR          INTEGER,
  P_PA          INTEGER,
  P_EDIT_DATE   TIMESTAMP
);

CREATE TABLE IF NOT EXISTS TBLStudy (
  S_ID           VARCHAR(30)  NOT NULL,
  S_STUDY_ID     VARCHAR(30)  NOT NULL,
  S_START_TIME   TIMESTAMP,
  S_LENGTH       INTEGER,
  S_LOSS         INTEGER,
  S_DOCTOR_ID    VARCHAR(30),
  S_NURSE_ID     VARCHAR(30),
  S_COMMENT      VARCHAR(255),
  S_MEMB_STATUS  INTEGER,
  S_EDIT_DATE    TIMESTAMP,
  PRIMARY KEY (S_ID, S_STUDY_ID)
);

CREATE INDEX IF NOT EXISTS TBLStudy_S_ID ON TBLStudy (S_ID);

CREATE TABLE IF NOT EXISTS TBLUser (
  M_ID          VARCHAR(50)  NOT NULL PRIMARY KEY,
  M_NAME        VARCHAR(50),
  M_PASSWORD    VARCHAR(50),
  M_LEVEL       INTEGER,
  M_REG_DATE    TIMESTAMP,
  M_EDIT_DATE   TIMESTAMP
);
