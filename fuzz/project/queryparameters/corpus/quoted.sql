SELECT 'it''s :x', "a:b", E'\' :y' FROM t -- :c
WHERE a::text = :Name /* /* :n */ */