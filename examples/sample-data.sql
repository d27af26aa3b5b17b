-- Sample rows for the demo application: run.sh puts them into a new database (korvel_demodb).
-- Dates and times are stored as Korvel stores them: "YYYY-MM-DD hh:mm:ss.000"; a time alone sits
-- on 1899-12-30. Booleans are 0 and 1.

INSERT INTO countries (id, name, code) VALUES
  (1, 'Germany', 'DE'),
  (2, 'France', 'FR'),
  (3, 'Italy', 'IT'),
  (4, 'Poland', 'PL');

INSERT INTO cities (id, name, id_countries) VALUES
  (1, 'Berlin', 1),
  (2, 'Hamburg', 1),
  (3, 'München', 1),
  (4, 'Paris', 2),
  (5, 'Lyon', 2),
  (6, 'Milano', 3),
  (7, 'Torino', 3),
  (8, 'Warszawa', 4),
  (9, 'Kraków', 4);

INSERT INTO categories (id, name) VALUES
  (1, 'Fasteners'),
  (2, 'Tools'),
  (3, 'Paint'),
  (4, 'Electrical');

INSERT INTO customers (id, record_count, name, phone, email, address, id_cities, birthday, vip, notes) VALUES
  (1, 101, 'Nordwerk GmbH', '+49 30 5550 1020', 'orders@nordwerk.example', 'HAFENSTRASSE 12', 1, NULL, 1, 'PAYS WITHIN 10 DAYS'),
  (2, 102, 'Atelier Blanc', '+33 1 5550 3344', 'contact@atelier-blanc.example', '8 RUE DES ARTS', 4, NULL, 0, NULL),
  (3, 103, 'Luca Ferrari', '+39 02 5550 7788', 'luca.ferrari@mail.example', 'VIA TORINO 41', 6, '1978-03-14 00:00:00.000', 0, 'PREFERS PHONE CALLS'),
  (4, 104, 'Budmax Sp. z o.o.', '+48 22 5550 6060', 'biuro@budmax.example', 'UL. PROSTA 5', 8, NULL, 1, NULL),
  (5, 105, 'Hans Meier', '+49 89 5550 4411', 'hans.meier@mail.example', 'LINDENWEG 3', 3, '1985-11-02 00:00:00.000', 0, NULL),
  (6, 106, 'Chantier du Rhône', '+33 4 5550 9090', 'achats@chantier-rhone.example', '22 QUAI CLAUDE', 5, NULL, 0, 'DELIVERY BEFORE NOON'),
  (7, 107, 'Elbe Bau KG', '+49 40 5550 2323', 'info@elbebau.example', 'SPEICHERSTADT 7', 2, NULL, 1, NULL),
  (8, 108, 'Anna Nowak', '+48 12 5550 1212', 'anna.nowak@mail.example', 'UL. FLORIANSKA 19', 9, '1990-06-21 00:00:00.000', 0, NULL);

INSERT INTO products (id, name, id_categories, price, stock, active) VALUES
  (1, 'Hex bolt M8x40 (100)', 1, 12.5, 240, 1),
  (2, 'Wood screw 4x30 (200)', 1, 6.9, 510, 1),
  (3, 'Washer M8 (500)', 1, 4.2, 300, 1),
  (4, 'Cordless drill 18 V', 2, 129.0, 18, 1),
  (5, 'Claw hammer 500 g', 2, 19.9, 64, 1),
  (6, 'Spirit level 60 cm', 2, 24.5, 35, 1),
  (7, 'Wall paint white 10 l', 3, 45.0, 80, 1),
  (8, 'Primer 5 l', 3, 28.0, 42, 1),
  (9, 'Extension cable 10 m', 4, 17.8, 120, 1),
  (10, 'LED bulb E27 9 W', 4, 3.9, 900, 1),
  (11, 'Soldering iron 60 W', 4, 22.0, 0, 0);

INSERT INTO orders (id, record_count, date, delivery_time, id_customers, id_cities, id_cities2, amount, paid, created) VALUES
  (1, 1001, '2026-09-02 00:00:00.000', '1899-12-30 09:00:00.000', 1, 1, 2, 350.0, 1, '2026-09-01 16:20:00.000'),
  (2, 1002, '2026-09-15 00:00:00.000', '1899-12-30 14:30:00.000', 2, 4, NULL, 231.4, 1, '2026-09-14 10:05:00.000'),
  (3, 1003, '2026-10-03 00:00:00.000', NULL, 3, 6, NULL, 173.0, 0, '2026-10-02 11:45:00.000'),
  (4, 1004, '2026-10-20 00:00:00.000', '1899-12-30 08:00:00.000', 4, 8, 9, 682.3, 0, '2026-10-19 09:30:00.000'),
  (5, 1005, '2026-11-05 00:00:00.000', NULL, 1, 1, NULL, 258.0, 0, '2026-11-04 15:10:00.000'),
  (6, 1006, '2026-11-18 00:00:00.000', '1899-12-30 11:00:00.000', 7, 2, NULL, 198.9, 0, '2026-11-17 17:55:00.000'),
  (7, 1007, '2026-12-01 00:00:00.000', NULL, 5, 3, NULL, 63.6, 0, '2026-11-30 12:00:00.000');

INSERT INTO order_lines (id, id_orders, id_products, quantity, price) VALUES
  (1, 1, 1, 10, 12.5),
  (2, 1, 7, 5, 45.0),
  (3, 2, 4, 1, 129.0),
  (4, 2, 9, 4, 17.8),
  (5, 2, 10, 8, 3.9),
  (6, 3, 5, 2, 19.9),
  (7, 3, 4, 1, 129.0),
  (8, 3, 3, 1, 4.2),
  (9, 4, 7, 10, 45.0),
  (10, 4, 8, 5, 28.0),
  (11, 4, 6, 1, 24.5),
  (12, 4, 2, 7, 6.9),
  (13, 4, 10, 5, 3.9),
  (14, 5, 4, 2, 129.0),
  (15, 6, 8, 3, 28.0),
  (16, 6, 6, 3, 24.5),
  (17, 6, 2, 6, 6.9),
  (18, 7, 5, 1, 19.9),
  (19, 7, 9, 2, 17.8),
  (20, 7, 3, 1, 4.2),
  (21, 7, 10, 1, 3.9);

INSERT INTO documents (id, title, id_customers, linked_path, signed) VALUES
  (1, 'Frame contract 2026', 1, NULL, '2026-01-12 10:00:00.000'),
  (2, 'Price agreement', 4, NULL, '2026-03-03 14:30:00.000');

-- A scan kept in the database: the file's bytes and the name it was stored under.
UPDATE documents SET scan_filename = 'frame-contract-2026.txt', scan = X'4652414D4520434F4E545241435420323032360A4E6F72647765726B20476D624820616E642074686520737570706C696572206167726565206F6E207072696365732C2064656C69766572792077697468696E203130206461797320616E64207061796D656E742077697468696E20333020646179732E0A5369676E656420696E204265726C696E2C203132204A616E7561727920323032362E0A' WHERE id = 1;

-- The company's own name and logo, shown on the order document.
INSERT INTO company (id, name, logo_filename, logo) VALUES
  (1, 'Korvel Trade', 'logo.png', X'89504E470D0A1A0A0000000D49484452000000600000003008020000006174E898000000674944415478DAEDD8411500200844419210C74C8630A735A48427987D3FC11C37EECE2FE53A2D0B4080000102040810204080000102040810A021406FD8000102040810204080000102040810204080A60339CC0001020408102040800001020408102040805A56578C0CB4790882DE0000000049454E44AE426082');
