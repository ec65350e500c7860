-- A small demo database for scripts/run. Idempotent: it only creates what is missing.
SET client_min_messages = warning;
DO $demo$
BEGIN
  IF EXISTS (SELECT FROM pg_namespace WHERE nspname = 'sales') THEN
    RETURN;
  END IF;
  CREATE SCHEMA sales;
  CREATE SCHEMA hr;
  CREATE TABLE hr.dept (
    deptno  integer PRIMARY KEY,
    dname   varchar(40) NOT NULL,
    loc     varchar(40)
  );
  COMMENT ON TABLE hr.dept IS '部署';
  COMMENT ON COLUMN hr.dept.dname IS '部署名';
  CREATE TABLE hr.emp (
    empno    integer PRIMARY KEY,
    ename    varchar(40) NOT NULL,
    job      varchar(20),
    hiredate date DEFAULT current_date,
    sal      numeric(10,2) CHECK (sal >= 0),
    deptno   integer REFERENCES hr.dept(deptno)
  );
  COMMENT ON TABLE hr.emp IS '社員';
  COMMENT ON COLUMN hr.emp.ename IS '氏名';
  CREATE INDEX emp_deptno_idx ON hr.emp(deptno);
  CREATE SEQUENCE sales.order_no_seq START 1000;
  CREATE TABLE sales.orders (
    order_no  bigint PRIMARY KEY DEFAULT nextval('sales.order_no_seq'),
    empno     integer REFERENCES hr.emp(empno),
    ordered   timestamp NOT NULL DEFAULT now(),
    amount    numeric(12,2) NOT NULL,
    note      text
  );
  COMMENT ON TABLE sales.orders IS '受注';
  CREATE VIEW sales.order_totals AS
    SELECT e.empno, e.ename, count(o.*) AS orders, coalesce(sum(o.amount), 0) AS total
      FROM hr.emp e LEFT JOIN sales.orders o ON o.empno = e.empno
     GROUP BY e.empno, e.ename;
  CREATE FUNCTION sales.order_total(p_empno integer) RETURNS numeric
    LANGUAGE plpgsql STABLE AS $f$
  DECLARE
    v numeric;
  BEGIN
    SELECT coalesce(sum(amount), 0) INTO v FROM sales.orders WHERE empno = p_empno;
    RETURN v;
  END
  $f$;
  INSERT INTO hr.dept VALUES (10, '経理', '東京'), (20, '研究', '大阪'), (30, '営業', '名古屋');
  INSERT INTO hr.emp VALUES
    (7369, 'SMITH', 'CLERK', '2020-12-17', 800, 20),
    (7499, 'ALLEN', 'SALESMAN', '2021-02-20', 1600, 30),
    (7782, 'CLARK', 'MANAGER', '2021-06-09', 2450, 10);
  INSERT INTO sales.orders(empno, amount, note) VALUES
    (7499, 1200.50, '初回'), (7499, 300, NULL), (7782, 99.99, 'サンプル');
END
$demo$;
