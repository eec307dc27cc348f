-- The patient database on a PostgreSQL server that a ward's stations share: the same three
-- tables and keys as on SQLite. Widths are the texts' limits (the row classes shorten longer
-- texts before writing); dates are kept to the millisecond, a missing date is NULL. There is no
-- foreign key from a study to its patient: a study outlives the deletion of its patient.
-- Running the script again changes nothing.

CREATE TABLE IF NOT EXISTS TBLPatient (
  P_ID          VARCHAR(30)  NOT NULL PRIMARY KEY,
  P_FIRST_NAME  VARCHAR(30),
  P_LAST_NAME   VARCHAR(30),
  P_REG_DATE    TIMESTAMP(3),
  P_BIRTHDAY    TIMESTAMP(3),
  P_HEIGHT      DOUBLE PRECISION,
  P_WEIGHT      DOUBLE PRECISION,
  P_COMMENT     VARCHAR(255),
  P_DOCTOR_ID   VARCHAR(30),
  P_LMP         TIMESTAMP(3),
  P_EDC         TIMESTAMP(3),
  P_GR          INTEGER,
  P_PA          INTEGER,
  P_EDIT_DATE   TIMESTAMP(3)
);

CREATE TABLE IF NOT EXISTS TBLStudy (
  S_ID           VARCHAR(30)  NOT NULL,
  S_STUDY_ID     VARCHAR(30)  NOT NULL,
  S_START_TIME   TIMESTAMP(3),
  S_LENGTH       INTEGER,
  S_LOSS         INTEGER,
  S_DOCTOR_ID    VARCHAR(30),
  S_NURSE_ID     VARCHAR(30),
  S_COMMENT      VARCHAR(255),
  S_MEMB_STATUS  INTEGER,
  S_EDIT_DATE    TIMESTAMP(3),
  PRIMARY KEY (S_ID, S_STUDY_ID)
);

CREATE INDEX IF NOT EXISTS TBLStudy_S_ID ON TBLStudy (S_ID);

CREATE TABLE IF NOT EXISTS TBLUser (
  M_ID          VARCHAR(50)  NOT NULL PRIMARY KEY,
  M_NAME        VARCHAR(50),
  M_PASSWORD    VARCHAR(50),
  M_LEVEL       INTEGER,
  M_REG_DATE    TIMESTAMP(3),
  M_EDIT_DATE   TIMESTAMP(3)
);
